#pragma once

#include <QString>
#include <string>

namespace SQLite {
class Database;
}

// Case folding for searches in every script. SQLite's LIKE ignores case for
// ASCII letters only ("привет" would not find "Привет"); searches compare
// both sides through kFunction, which folds case with Qt's Unicode tables,
// and LIKE keeps its own meaning of % and _.
class SearchFolding
{
public:
    // SQL: quillo_fold(text) -> the text case-folded; NULL stays NULL.
    static constexpr const char* kFunction = "quillo_fold";

    // The condition that finds the LIKE pattern bound as ?1 in the snippet's
    // abbreviation or content. A pattern of ASCII characters alone needs no
    // folding (LIKE ignores ASCII case, and no other letter folds to ASCII
    // but the Kelvin sign and the long s), and keeps the plain, faster form.
    static std::string Condition(const QString& pattern);

    // The text as searches compare it: case-folded with Qt's Unicode
    // tables, ASCII letters too (for comparisons made outside SQLite).
    static QString Fold(const QString& text) { return text.toCaseFolded(); }

    // Registers kFunction on the connection; registering again is harmless.
    // Throws SQLite::Exception when SQLite refuses.
    static void Register(SQLite::Database& db);
};
