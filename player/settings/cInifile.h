#pragma once
// One INI file at a time: the caller sets the path, a section and a key (and a default text),
// then reads or writes the value, removes the key or the section, lists keys or sections, or
// saves and restores a window's position under the section. Nothing from the file is cached;
// every call goes to the profile functions, which read and write each file in its own form
// (UTF-16, UTF-8 or a Windows code page).

#include "settings/FormWindow.h"

#include <QString>
#include <QStringList>

#include <cstdint>

class cInifile {
public:
    int32_t LastReturnCode() const { return m_lastReturnCode; }
    bool success() const { return m_lastReturnCode != 0; }

    QString Default() const { return m_default; }
    void setDefault(const QString& sDefault) { m_default = sDefault; }
    QString Path() const { return m_path; }
    void setPath(const QString& sPath) { m_path = sPath; }
    QString Key() const { return m_key; }
    void setKey(const QString& sKey) { m_key = sKey; }
    QString Section() const { return m_section; }
    void setSection(const QString& sSection) { m_section = sSection; }

    // The value of the current key, or the default when the file, section or key is missing.
    // Values of up to 63,999 bytes come back whole.
    QString Value() const;
    // Writes the value with every NUL character removed.
    void setValue(const QString& sValue);

    void DeleteKey();
    void DeleteSection();

    // The key names of the current section, each followed by a NUL.
    QString INISection() const;
    // Removes the current section; the argument does not reach the file.
    void setINISection(const QString& sSection);

    // The section names of the file, each followed by a NUL.
    QString Sections() const;

    // The names of INISection: every NUL-terminated name, empty ones included.
    void EnumerateCurrentSection(QStringList& sKey, int32_t& iCount) const;
    // The names of Sections: every NUL-terminated name that is not empty.
    void EnumerateAllSections(QStringList& sSections, int32_t& iCount) const;

    // Keys "Maximised", "Left", "Top", "Width", "Height" in the current section.
    void SaveFormPosition(FormWindow& frmThis);
    // Restores what SaveFormPosition stored, kept at least 4 pixels inside the screen and at
    // least the minimum size; missing values keep the window's current ones.
    void LoadFormPosition(FormWindow& frmThis, int32_t lMinWidth = 3000, int32_t lMinHeight = 3000);

    // Text to a 32-bit integer with the user's decimal separator, blanks allowed around it,
    // fractions rounded halves to even; lDefault when that fails.
    static int32_t CLngDefault(const QString& sString, int32_t lDefault = 0);

private:
    QString read(bool withSection, bool withKey, int size) const;
    void write(bool withKey, const QString* value);
    bool loadPosition(FormWindow& frmThis, int32_t lMinWidth, int32_t lMinHeight);

    QString m_path;
    QString m_key;
    QString m_section;
    QString m_default;
    int32_t m_lastReturnCode = 0;
};
