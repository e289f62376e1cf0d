#include "ui/main/program_icon.h"

// Resources of a static library are registered by hand; the macro must not sit in a namespace.
static void initIconResources() {
    Q_INIT_RESOURCE(program_icon);
}

namespace kadrel {

QIcon programIcon() {
    initIconResources();
    return QIcon(QStringLiteral(":/icons/org.kadrel.Kadrel.svg"));
}

}  // namespace kadrel
