#pragma once

#include "store/import/ImportBatch.h"

#include <QList>
#include <QSet>
#include <QString>

#include <utility>
#include <yaml-cpp/yaml.h>

// Reads match files of the Espanso expander: one .yml file, or a folder (its
// match/ folder when it has one), following `imports`. Triggers become
// abbreviations (one snippet each), `word: true` expands after a delimiter and
// anything else at once, `$|$` and the clipboard, date, echo, choice, form and
// nested-match variables become Quillo placeholders. Shell and script
// variables, regex triggers and images are never run or brought in: they are
// listed in the batch.
class EspansoImporter
{
public:
    static ImportBatch Read(const QString& path);

private:
    struct Vars; // variable name → Quillo text
    void Load(const QString& file);
    void ReadMatch(const YAML::Node& match, const QString& file, const Vars& globals);
    // Each variable of the list in Quillo's words, added to vars; those that
    // would run something are listed and left out.
    void ResolveVars(const YAML::Node& list, const QString& file, Vars& vars);
    void ResolveVar(const YAML::Node& var, const QString& file, Vars& vars);
    // "{{name}}" replaced by what vars hold; unknown names stay and are listed.
    QString Substitute(const QString& text, const Vars& vars, const QString& origin);

    ImportBatch batch;
    QSet<QString> seen;                       // canonical paths, so imports cannot loop
    QList<std::pair<QString, YAML::Node>> files; // in the order read
};
