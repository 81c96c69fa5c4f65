#pragma once

#include <QList>
#include <QPair>
#include <QString>

// Reads one value of an INI file: "" when the file, section or key is missing.
// Names compare without regard to letter case; at most 511 characters return.
QString GetIniValue(const QString& filePath, const QString& section, const QString& key);

// Writes one value, keeping every other line of the file, creating the key or
// section where missing. The file is replaced atomically. Throws QuilloError
// when the file cannot be read or written.
void SetIniValue(const QString& filePath, const QString& section, const QString& key,
                 const QString& value);

// Writes several values of one section in a single atomic replacement.
void SetIniValues(const QString& filePath, const QString& section,
                  const QList<QPair<QString, QString>>& keysAndValues);
