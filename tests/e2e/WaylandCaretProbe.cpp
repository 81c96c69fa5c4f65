// Asks where the caret of the focused program is on a Wayland desktop, as the
// tray program does, for the end-to-end tests: it must run on the
// compositor as the session's user, since the accessibility bus admits no
// other user's programs.
//   quillo-test-wayland-caret
// Prints "ready" once it listens to the accessibility bus, then answers
// the line "secure" with "secure 1" or "secure 0" (whether the desktop
// takes the focused field for a password field), and any other line on its
// standard input with "caret X Y WIDTH HEIGHT" or "caret none". Like the program, it keeps a virtual keyboard in the seat
// (toolkits take the focus from a window when the seat's last keyboard
// goes away).
#include "platform/atspi/AtspiCaretTracker.h"
#include "platform/wayland/VirtualKeyboardOutput.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandDesktop.h"

#include <QGuiApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <unistd.h>

int main(int argc, char* argv[])
{
    // Its own windows are none of the test's business.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON");
    QGuiApplication app(argc, argv);
    QString error;
    const auto connection = WaylandConnection::Open(&error);
    if (!connection) {
        std::fprintf(stderr, "no compositor: %s\n", qPrintable(error));
        return 1;
    }
    VirtualKeyboardOutput keyboard(*connection, connection->SessionKeymap());
    WaylandDesktop desktop(*connection);
    AtspiCaretTracker tracker;
    if (!tracker.IsActive()) {
        std::fprintf(stderr, "no accessibility bus\n");
        return 1;
    }
    desktop.SetCaretSource([&tracker]() -> std::optional<WaylandDesktop::WindowCaret> {
        const auto caret = tracker.CaretInWindow();
        if (!caret)
            return std::nullopt;
        return WaylandDesktop::WindowCaret{caret->rect, caret->processId};
    });
    desktop.SetPasswordFocusSource([&tracker] { return tracker.FocusIsPassword(); });

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray line;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            app.quit();
            return;
        }
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] != '\n') {
                line += buffer[i];
                continue;
            }
            const bool askedSecure = line == "secure";
            line.clear();
            if (askedSecure)
                std::printf("secure %d\n", desktop.SecureInputActive() ? 1 : 0);
            else if (const auto caret = desktop.CaretRect())
                std::printf("caret %d %d %d %d\n", caret->x(), caret->y(), caret->width(), caret->height());
            else
                std::printf("caret none\n");
        }
        std::fflush(stdout);
    });
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
