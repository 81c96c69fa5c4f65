#include "store/SearchFolding.h"

#include <QByteArray>
#include <QString>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <algorithm>
#include <sqlite3.h>

namespace {

void FoldFunction(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(arguments[0]));
    const int bytes = sqlite3_value_bytes(arguments[0]);
    // LIKE already ignores the case of ASCII letters: ASCII text, most of
    // it, goes through untouched and uncopied.
    if (std::all_of(text, text + bytes, [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        sqlite3_result_value(context, arguments[0]);
        return;
    }
    const QByteArray folded = SearchFolding::Fold(QString::fromUtf8(text, bytes)).toUtf8();
    sqlite3_result_text(context, folded.constData(), int(folded.size()), SQLITE_TRANSIENT);
}

} // namespace

void SearchFolding::Register(SQLite::Database& db)
{
    const int result = sqlite3_create_function_v2(db.getHandle(), kFunction, 1,
                                                  SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, &FoldFunction, nullptr,
                                                  nullptr, nullptr);
    if (result != SQLITE_OK)
        throw SQLite::Exception(db.getHandle(), result);
}

std::string SearchFolding::Condition(const QString& pattern)
{
    const bool ascii =
        std::all_of(pattern.cbegin(), pattern.cend(), [](QChar c) { return c.unicode() < 0x80; });
    if (ascii)
        return "snippet like ?1 or content like ?1";
    return "quillo_fold(snippet) like quillo_fold(?1) or quillo_fold(content) like quillo_fold(?1)";
}
