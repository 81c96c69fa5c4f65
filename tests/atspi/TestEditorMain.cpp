#include <QApplication>
#include <QLineEdit>
#include <QTextEdit>

// A plain Qt text editor for end-to-end tests: one text field filling a
// window at a known place on the screen, so that a test can tell it apart
// from other programs' windows. An argument is the text it starts with, the
// cursor at its end; --password gives a one-line password field instead.
namespace {

constexpr int kLeft = 700;
constexpr int kTop = 500;
constexpr int kWidth = 500;
constexpr int kHeight = 400;

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc > 1 && QString::fromLocal8Bit(argv[1]) == QLatin1String("--password")) {
        QLineEdit field;
        field.setEchoMode(QLineEdit::Password);
        field.setWindowTitle("Quillo test password");
        field.setGeometry(kLeft, kTop, kWidth, field.sizeHint().height());
        field.show();
        return app.exec();
    }
    // QTextEdit rather than QPlainTextEdit: Qt 6.4 reports character boxes
    // of a QPlainTextEdit as if every paragraph were the first.
    QTextEdit editor;
    editor.setAcceptRichText(false);
    editor.setWindowTitle("Quillo test editor");
    if (argc > 1) {
        editor.setPlainText(QString::fromLocal8Bit(argv[1]));
        editor.moveCursor(QTextCursor::End);
    }
    editor.setGeometry(kLeft, kTop, kWidth, kHeight);
    editor.show();
    return app.exec();
}
