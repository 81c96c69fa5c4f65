// A plain text editor for the end-to-end tests: one QPlainTextEdit whose
// whole text is written to a file after every change, so a test can read
// what the editor holds at any moment.
//   quillo-test-editor --out FILE [--title TITLE]
#include <QApplication>
#include <QCommandLineParser>
#include <QPlainTextEdit>
#include <QSaveFile>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("file to write the text to"),
                                 QStringLiteral("FILE"));
    const QCommandLineOption title(QStringLiteral("title"), QStringLiteral("window title"),
                                   QStringLiteral("TITLE"), QStringLiteral("Quillo test editor"));
    parser.addOptions({out, title});
    parser.process(app);

    QPlainTextEdit editor;
    editor.setWindowTitle(parser.value(title));
    editor.resize(640, 400);
    const QString outFile = parser.value(out);
    auto save = [&] {
        QSaveFile file(outFile);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(editor.toPlainText().toUtf8());
            file.commit();
        }
    };
    QObject::connect(&editor, &QPlainTextEdit::textChanged, &editor, save);
    save();
    editor.show();
    editor.activateWindow();
    return app.exec();
}
