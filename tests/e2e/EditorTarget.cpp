// A plain text editor for the end-to-end tests and the latency benchmark:
// one QPlainTextEdit whose whole text is written to a file after every
// change, so a test can read what the editor holds at any moment.
//   quillo-test-editor --out FILE [--title TITLE] [--trace FILE] [--caret FILE]
//   quillo-test-editor --out FILE --password [--title TITLE]
// --password gives a one-line field in password mode instead.
// --trace appends "space NS" when a Space key press reaches the editor and
// "text NS LENGTH" after every change, NS on one steady clock.
// --caret writes "X Y WIDTH HEIGHT", the editor's own caret rectangle on the
// screen, whenever the caret moves or the view scrolls.
// With QUILLO_EDITOR_KEYS=FILE every key event and paste is appended to FILE
// as "SECONDS E press|release KEYCODE TEXT" / "SECONDS E paste TEXT", on the
// monotonic clock, to line up with traces of other programs.
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <ctime>

namespace {

// Notes the moment each Space press arrives, before the editor handles it.
class SpaceWatch : public QObject
{
public:
    SpaceWatch(QFile* trace, const QElapsedTimer* clock) : trace(trace), clock(clock) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (trace && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
            trace->write(QByteArray("space ") + QByteArray::number(clock->nsecsElapsed()) + '\n');
            trace->flush();
        }
        return false;
    }

private:
    QFile* trace;
    const QElapsedTimer* clock;
};

// Appends one line to the key log, stamped with the monotonic clock.
void LogKeyEvent(QFile* log, const QByteArray& what)
{
    if (!log)
        return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    log->write(QByteArray::number(qint64(now.tv_sec)) + '.' +
               QByteArray::number(qint64(now.tv_nsec / 1000)).rightJustified(6, '0') + " E " + what + '\n');
    log->flush();
}

// Notes every key event and every paste, before the editor handles them.
class KeyLog : public QObject
{
public:
    explicit KeyLog(QFile* log) : log(log) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
            const auto* key = static_cast<QKeyEvent*>(event);
            LogKeyEvent(log, QByteArray(event->type() == QEvent::KeyPress ? "press " : "release ") +
                                 QByteArray::number(key->nativeScanCode()) + ' ' + key->text().toUtf8() +
                                 (key->isAutoRepeat() ? " repeat" : ""));
        }
        return false;
    }

private:
    QFile* log;
};

// The editor, noting what each paste brings.
class Editor : public QPlainTextEdit
{
public:
    QFile* log = nullptr;

protected:
    void insertFromMimeData(const QMimeData* source) override
    {
        LogKeyEvent(log, "paste " + source->text().toUtf8());
        QPlainTextEdit::insertFromMimeData(source);
    }
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("file to write the text to"),
                                 QStringLiteral("FILE"));
    const QCommandLineOption title(QStringLiteral("title"), QStringLiteral("window title"),
                                   QStringLiteral("TITLE"), QStringLiteral("Quillo test editor"));
    const QCommandLineOption traceOption(QStringLiteral("trace"), QStringLiteral("file to log timings to"),
                                         QStringLiteral("FILE"));
    const QCommandLineOption caretOption(QStringLiteral("caret"), QStringLiteral("file to write the caret to"),
                                         QStringLiteral("FILE"));
    const QCommandLineOption passwordOption(QStringLiteral("password"), QStringLiteral("a password field"));
    parser.addOptions({out, title, traceOption, caretOption, passwordOption});
    parser.process(app);

    if (parser.isSet(passwordOption)) {
        QLineEdit field;
        field.setEchoMode(QLineEdit::Password);
        field.setWindowTitle(parser.value(title));
        field.resize(400, field.sizeHint().height());
        const auto save = [&] {
            QSaveFile file(parser.value(out));
            if (file.open(QIODevice::WriteOnly)) {
                file.write(field.text().toUtf8());
                file.commit();
            }
        };
        QObject::connect(&field, &QLineEdit::textChanged, &field, save);
        save();
        field.show();
        field.activateWindow();
        return app.exec();
    }

    QElapsedTimer clock;
    clock.start();
    QFile trace(parser.value(traceOption));
    const bool tracing = parser.isSet(traceOption) && trace.open(QIODevice::WriteOnly | QIODevice::Append);

    QFile keyLog(qEnvironmentVariable("QUILLO_EDITOR_KEYS"));
    const bool loggingKeys =
        !keyLog.fileName().isEmpty() && keyLog.open(QIODevice::WriteOnly | QIODevice::Append);
    Editor editor;
    editor.log = loggingKeys ? &keyLog : nullptr;
    KeyLog keyWatch(editor.log);
    editor.installEventFilter(&keyWatch);
    editor.setWindowTitle(parser.value(title));
    editor.resize(640, 400);
    SpaceWatch watch(tracing ? &trace : nullptr, &clock);
    editor.installEventFilter(&watch);
    const QString outFile = parser.value(out);
    auto save = [&] {
        const QString text = editor.toPlainText();
        if (tracing) {
            trace.write(QByteArray("text ") + QByteArray::number(clock.nsecsElapsed()) + ' ' +
                        QByteArray::number(text.size()) + '\n');
            trace.flush();
        }
        QSaveFile file(outFile);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(text.toUtf8());
            file.commit();
        }
    };
    QObject::connect(&editor, &QPlainTextEdit::textChanged, &editor, save);
    const QString caretFile = parser.value(caretOption);
    auto reportCaret = [&] {
        if (caretFile.isEmpty() || !editor.isVisible())
            return;
        const QRect caret = editor.cursorRect();
        const QPoint at = editor.viewport()->mapToGlobal(caret.topLeft());
        QSaveFile file(caretFile);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(QStringLiteral("%1 %2 %3 %4").arg(at.x()).arg(at.y()).arg(caret.width()).arg(caret.height()).toUtf8());
            file.commit();
        }
    };
    QObject::connect(&editor, &QPlainTextEdit::cursorPositionChanged, &editor, reportCaret);
    QObject::connect(&editor, &QPlainTextEdit::updateRequest, &editor, reportCaret);
    save();
    editor.show();
    editor.activateWindow();
    return app.exec();
}
