#include "dialogs/QtTranslation.h"

#include "data/UnitRules.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

void FollowLanguageInQt(int language)
{
    // A child of the application once loaded, so it goes with the application.
    static QPointer<QTranslator> chinese;
    static bool installed = false;
    installed = installed && chinese;
    const bool wanted = LanguageIndex(language) == 0;
    if (wanted == installed || !QCoreApplication::instance())
        return;
    if (!wanted) {
        QCoreApplication::removeTranslator(chinese);
        installed = false;
        return;
    }
    if (!chinese) {
        auto* catalogue = new QTranslator(QCoreApplication::instance());
        const QString name = QStringLiteral("qtbase_zh_CN");
        if (!catalogue->load(name, QCoreApplication::applicationDirPath())
            && !catalogue->load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            delete catalogue;
            return;
        }
        chinese = catalogue;
    }
    installed = QCoreApplication::installTranslator(chinese);
}
