#include "applicationidentity.h"

#include <QCoreApplication>

namespace ApplicationIdentity {

void apply()
{
    QCoreApplication::setApplicationName(QStringLiteral("Tavrune M4 Firmware Tool"));
    QCoreApplication::setApplicationVersion(QStringLiteral("3.1.0"));
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrune"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("tavrune.com"));
}

} // namespace ApplicationIdentity
