#include "ui/main/ProgressbarAPI.h"

#include <QPalette>
#include <QProgressBar>

namespace kadrel {

QProgressBar* CreateProgressBar(QWidget* parent, bool vertical, int left, int top, int height, int width) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName("progressbar");
    bar->setOrientation(vertical ? Qt::Vertical : Qt::Horizontal);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    QPalette colours = bar->palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::Highlight, QColor(0, 0, 127));
    bar->setPalette(colours);
    bar->setAutoFillBackground(true);
    bar->setGeometry(left, top, width, height);
    bar->show();
    return bar;
}

}  // namespace kadrel
