#pragma once

#include <QString>

// Where and how the command line reaches the running tray program: a local
// socket in a folder of the user's runtime folder that only the user may
// enter. One request a connection: a command word, optionally a space and the
// program folder the command is meant for, and a line feed; one reply: a JSON
// object on one line, {"ok": true, ...} or {"ok": false, "error": "..."}. A
// program that serves another folder answers with "servedFolder" and does
// nothing.
class ControlChannel
{
public:
    static constexpr const char* kFolderName = "quillo";
    static constexpr const char* kSocketName = "control";
    // Windows: how much of the lock folder's hash the pipe name carries.
    static constexpr int kPipeNameHashDigits = 16;
    // A request is a command word and a folder's path; anything this long
    // is not one.
    static constexpr int kMaxRequestBytes = 8192;
    // Replies carry the status at most; a bigger one is not ours.
    static constexpr int kMaxReplyBytes = 64 * 1024;
    // How long the program waits for a connected client to finish its
    // request, so a silent client never holds a connection for long.
    static constexpr int kRequestTimeoutMs = 2000;
    // How long the command line waits for the program to answer. Opening the
    // settings window the first time takes a moment on a loaded machine.
    static constexpr int kReplyTimeoutMs = 10000;
    // Clients served at once; more are turned away at once.
    static constexpr int kMaxClients = 8;

    // The socket for the instance whose single-instance lock is lockPath:
    // <folder of the lock>/quillo/control.
    static QString SocketPathBeside(const QString& lockPath);
    // The socket of the user's running instance.
    static QString DefaultSocketPath();
    // Makes the socket's folder (mode 0700) if needed and checks that it
    // belongs to this user and nobody else may enter it; a folder left too
    // open is closed. False with the reason when the folder cannot be used.
    static bool PrepareFolder(const QString& socketPath, QString* error);
    // True when the folder exists, is this user's and only this user's.
    static bool FolderIsPrivate(const QString& socketPath);
};
