#pragma once

#include <QString>

// A fresh identity for a snippet: 36 upper-case hexadecimal characters in
// groups of 8-4-4-4-12, without braces.
QString NewGuidString();
