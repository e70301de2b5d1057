// The Mac OS Roman encoding of the program's text files (exports and logs).
#pragma once

#include <QByteArray>
#include <QString>

// Characters outside the table are left out.
QByteArray EncodeMacRoman(const QString& text);
QString    DecodeMacRoman(const QByteArray& bytes);
