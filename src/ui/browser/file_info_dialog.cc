#include "ui/browser/file_info_dialog.h"

#include <QFontMetrics>
#include <QPalette>
#include <QShowEvent>

#include "engine/copy/file_times.h"
#include "ui/compact_path.h"
#include "ui/screen_fit.h"

namespace kadrel {
namespace {

constexpr int kPathWidthPixels = 200;
/// Lines recordedInfoText adds, which the window grows by.
constexpr int kRecordedLines = 4;
const char* const kYellowStyle = "background-color: rgb(255, 255, 128);";

QFrame* makeBox(const char* name, QWidget* parent) {
    auto* box = new QFrame(parent);
    box->setObjectName(name);
    box->setFrameShape(QFrame::Box);
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    return box;
}

}  // namespace

std::string picInfoText(const std::string& shownPath, const std::string& timeText, int width, int height) {
    return "File:\r\n" + shownPath + "\r\n\r\nFile date/time:\r\n" + timeText + "\r\n\r\nResolution:\r\n" +
           std::to_string(width) + " X " + std::to_string(height) + " Pixel";
}

std::string recordedInfoText(const MoiRecord& record) {
    return "\r\n\r\nRecorded:\r\n" + recordingTimeText(record) + "\r\nLength " + lengthText(record.lengthMs) +
           ", " + aspectText(record.aspect);
}

FileInfoDialog::FileInfoDialog(const ThumbnailStore& store, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint), store_(store) {
    setObjectName("FileInfoDialog");
    QPalette yellow = palette();
    yellow.setColor(QPalette::Window, QColor(255, 255, 128));
    setPalette(yellow);
    setAutoFillBackground(true);
    setFixedSize(px(3600), px(2925));  // the label is centred in it
    outerBox_ = makeBox("outerBox", this);
    innerBox_ = makeBox("innerBox", this);
    titleLabel_ = new QLabel("File Information", this);
    titleLabel_->setObjectName("titleLabel");
    QFont bold = titleLabel_->font();
    bold.setPointSizeF(9.75);
    bold.setBold(true);
    titleLabel_->setFont(bold);
    titleLabel_->setStyleSheet("color: rgb(0, 192, 0);");
    titleLabel_->adjustSize();
    titleLabel_->move((width() - titleLabel_->width()) / 2, px(120));
    infoText_ = new QPlainTextEdit(this);
    infoText_->setObjectName("infoText");
    infoText_->setReadOnly(true);
    infoText_->setFrameShape(QFrame::NoFrame);
    infoText_->setStyleSheet(kYellowStyle);
    growBy(0);
    focusButton_ = new QPushButton(this);
    focusButton_->setObjectName("focusButton");
    focusButton_->setGeometry(px(10000), px(135), px(450), px(225));
}

void FileInfoDialog::growBy(int pixels) {
    setFixedSize(px(3600), px(2925) + pixels);
    outerBox_->setGeometry(0, 0, px(3600), px(2925) + pixels);
    innerBox_->setGeometry(px(60), px(60), px(3465), px(2790) + pixels);
    infoText_->setGeometry(px(113), px(420), px(3345), px(2310) + pixels);
}

void FileInfoDialog::showEvent(QShowEvent* event) {
    rebuildText();
    keepOnScreen(*this);  // the browser placed it before it knew whether it grows
    focusButton_->setFocus();
    QDialog::showEvent(event);
}

void FileInfoDialog::rebuildText() {
    const int32_t i = store_.currentFileIndex;
    if (i < 0 || i >= store_.fileCount || static_cast<size_t>(i) >= store_.fileList.size()) {
        infoText_->clear();
        growBy(0);
        return;
    }
    const std::string& path = store_.fileList[i];
    const QString shown =
        compactPathToWidth(QString::fromStdString(path), kPathWidthPixels, QFontMetrics(infoText_->font()));
    const auto& size = static_cast<size_t>(i) < store_.pictureSizes.size() ? store_.pictureSizes[i]
                                                                           : std::array<int16_t, 2>{0, 0};
    std::string text = picInfoText(shown.toStdString(), getFileTimeText(path).value_or(""), size[0], size[1]);
    const std::optional<MoiRecord> record = readCompanion(path);
    if (record)
        text += recordedInfoText(*record);
    growBy(record ? kRecordedLines * QFontMetrics(infoText_->font()).lineSpacing() : 0);
    infoText_->setPlainText(QString::fromStdString(text).replace("\r\n", "\n"));
    infoText_->repaint();
}

}  // namespace kadrel
