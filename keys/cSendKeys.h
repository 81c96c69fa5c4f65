#pragma once

#include <QHash>
#include <QString>

#include <cstdint>
#include <vector>

class KeyOutput;

// Turns a key string in send-keys syntax ("{BACKSPACE}", "^(v)", "+(ab)~")
// into key-down and key-up events on a KeyOutput, and offers single key
// operations. Failures are QuilloError exceptions whose source is the
// executable's name followed by ".cSendKeys"; a failed SendKeys releases every
// modifier it still holds before the exception leaves. Keys already sent are
// not taken back.
class cSendKeys
{
public:
    // Error numbers, as the callers' error handling knows them.
    static constexpr int kErrorNone = 0;     // the syntax errors carry no number of their own
    static constexpr int kErrorOverflow = 6; // a virtual key or a repetition count out of range
    static constexpr int kErrorUnknownKey = 9;
    static constexpr int kErrorSubscript = 9; // KeyCode of ""

    static constexpr int kShiftKey = 16;
    static constexpr int kControlKey = 17;
    static constexpr int kAltKey = 18;
    static constexpr int kEnterKey = 13;

    // The output must outlive this object.
    explicit cSendKeys(KeyOutput& output);

    // Types sKeys. Wait is accepted for callers that pass it; every event has
    // been handed to the output when the call returns either way. Returns 0.
    std::int32_t SendKeys(const QString& sKeys, bool Wait = false);
    // Presses and releases a key name from the table (any letter case) or the
    // key of sKey's first character, lCount times. Returns 0.
    std::int32_t KeyPress(const QString& sKey, std::int32_t lCount);
    // One key-down / key-up of a virtual key, 0 to 255. Return 0.
    std::int32_t KeyDown(std::int32_t vKey);
    std::int32_t KeyUp(std::int32_t vKey);
    // The virtual key of sChar's first character on the current layout, the
    // shift state dropped ("A" and "a" agree); 255 when the layout cannot
    // type it.
    std::int32_t KeyCode(const QString& sChar);

    // The source every error of this class carries, e.g. "quillo.cSendKeys".
    const QString& ErrorSource() const { return errorSource; }

private:
    // The character after 1-based position, or "" at or past length (0
    // meaning the text's length).
    static QString PeekNextChar(const QString& text, qsizetype position, qsizetype length);

    void Walk(const QString& sKeys, std::vector<QChar>& held);
    void SendBraces(const QString& sKeys, qsizetype& p);
    void ReleaseHeld(std::vector<QChar>& held) noexcept;
    [[noreturn]] void Fail(int number, const QString& message) const;
    int ModifierKey(QChar modifier) const;

    KeyOutput& output;
    QHash<QString, int> keyNames; // upper-case name -> virtual key
    QString errorSource;
};
