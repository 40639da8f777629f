#pragma once
// The profile-string functions of Windows over plain INI text files on this system. Callers pass
// and get text as UTF-8; each file is read and written back in its own form (UTF-16 with a
// byte-order mark, UTF-8, or its Windows code page: see ProfileTextCodec). See ProfileText for
// how lines are read and edited.

#include <QString>

// Reads a value, the key names of a section (no key) or the section names of the file (no
// section) into buf, as GetPrivateProfileStringA does. A file that is missing or cannot be
// read counts as an empty file. Returns the number of bytes copied, not counting the final NUL.
int GetPrivateProfileString(const char* section, const char* key, const char* def, char* buf,
                            int size, const QString& file);

// Sets a key, removes it (no value) or removes a section (no key), as WritePrivateProfileStringA
// does, creating the file (empty after a removal) and the section when needed. New files are
// UTF-8 with CR LF line ends. The new text replaces the file in one step (a temporary file in
// the same folder, flushed and renamed into place), so the file is either the old one or the new
// one, never a mixture. Returns 1 on success; 0 when the change cannot be written or stored, or
// the file's form cannot hold it, and then the file is left as it was.
int WritePrivateProfileString(const char* section, const char* key, const char* value,
                              const QString& file);
