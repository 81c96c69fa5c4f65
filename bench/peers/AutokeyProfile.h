#pragma once

#include <QString>

// A fresh home for the peer expander, in its documented data layout:
// ~/.config/autokey/autokey.json, and for each phrase in a folder of
// ~/.config/autokey/data/ the content in NAME.txt beside its settings in
// .NAME.json.
class AutokeyProfile
{
public:
    enum class SendMode { Clipboard, Keyboard };

    explicit AutokeyProfile(const QString& home);

    // The global settings: no first-run window, keys seen through RECORD.
    bool WriteSettings() const;
    // A phrase that replaces abbreviation when a character that ends a word
    // follows it (Space here); the typed abbreviation and that character
    // are erased, and only content is put in their place.
    bool AddPhrase(const QString& abbreviation, const QString& content, SendMode mode) const;

    QString ConfigFolder() const;

private:
    QString home;
};
