#pragma once

#include <QString>

// A value of the sibling product's exchange file "<fileName>.ini", or "Not Entered" when the
// file, the section or the key is missing. The text comes back as the file holds it.
QString ReadUtilityIni(const QString& section, const QString& key, const QString& fileName);
