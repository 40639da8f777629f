#include "sync/ReadUtilityIni.h"

#include "settings/cInifile.h"
#include "sync/WinePaths.h"

#include <memory>

namespace {

cInifile& utilityIni() {
    static std::unique_ptr<cInifile> ini;
    if (!ini) {
        ini = std::make_unique<cInifile>();
    }
    return *ini;
}

} // namespace

QString ReadUtilityIni(const QString& section, const QString& key, const QString& fileName) {
    cInifile& ini = utilityIni();
    ini.setPath(findExchangeFile(fileName).path);
    ini.setSection(section);
    ini.setKey(key);
    ini.setDefault(QStringLiteral("Not Entered"));
    return ini.Value();
}
