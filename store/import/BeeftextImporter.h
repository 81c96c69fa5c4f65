#pragma once

#include "store/import/ImportBatch.h"

#include <QString>
#include <QStringList>

// Reads Beeftext's combo files (JSON, every file format version: older ones
// name the fields comboText/substitutionText, later ones keyword/snippet) and
// its #{…} variables. Groups keep their names; disabled combos stay disabled.
class BeeftextImporter
{
public:
    static ImportBatch Read(const QString& path);
    // #{clipboard}, #{cursor}, #{date}, #{time}, #{dateTime[:format]},
    // #{input:…}, #{combo:…} in Quillo's words; #{envVar:…}, #{powershell:…},
    // #{key:…}, #{shortcut:…}, #{delay:…} and the like stay as text and are
    // named in *unsupported.
    static QString Translate(const QString& content, QStringList* unsupported);
};
