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

QFrame* makeShape(QWidget* parent) {
    auto* shape = new QFrame(parent);
    shape->setFrameShape(QFrame::Box);
    shape->setAttribute(Qt::WA_TransparentForMouseEvents);
    return shape;
}

}  // namespace

std::string picInfoText(const std::string& shownpath, const std::string& timetext, int width, int height) {
    return "File:\r\n" + shownpath + "\r\n\r\nFile date/time:\r\n" + timetext + "\r\n\r\nResolution:\r\n" +
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
    Shape1 = makeShape(this);
    Shape2 = makeShape(this);
    Label1 = new QLabel("File Information", this);
    QFont bold = Label1->font();
    bold.setPointSizeF(9.75);
    bold.setBold(true);
    Label1->setFont(bold);
    Label1->setStyleSheet("color: rgb(0, 192, 0);");
    Label1->adjustSize();
    Label1->move((width() - Label1->width()) / 2, px(120));
    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName("Text1");
    Text1->setReadOnly(true);
    Text1->setFrameShape(QFrame::NoFrame);
    Text1->setStyleSheet(kYellowStyle);
    growBy(0);
    Command1 = new QPushButton("Command1", this);
    Command1->setGeometry(px(10000), px(135), px(450), px(225));  // out of sight, holds the focus
}

int FileInfoDialog::px(int twips) const {
    return qRound(twips * logicalDpiX() / 1440.0);
}

void FileInfoDialog::growBy(int pixels) {
    setFixedSize(px(3600), px(2925) + pixels);
    Shape1->setGeometry(0, 0, px(3600), px(2925) + pixels);
    Shape2->setGeometry(px(60), px(60), px(3465), px(2790) + pixels);
    Text1->setGeometry(px(113), px(420), px(3345), px(2310) + pixels);
}

void FileInfoDialog::showEvent(QShowEvent* event) {
    rebuildText();
    keepOnScreen(*this);  // the browser placed it before it knew whether it grows
    Command1->setFocus();
    QDialog::showEvent(event);
}

void FileInfoDialog::rebuildText() {
    const int32_t i = store_.currentfileindex;
    if (i < 0 || i >= store_.filecount || static_cast<size_t>(i) >= store_.filelist.size()) {
        Text1->clear();
        growBy(0);
        return;
    }
    const std::string& path = store_.filelist[i];
    const QString shown =
        compactPathToWidth(QString::fromStdString(path), kPathWidthPixels, QFontMetrics(Text1->font()));
    const auto& size = static_cast<size_t>(i) < store_.picturesize.size() ? store_.picturesize[i]
                                                                          : std::array<int16_t, 2>{0, 0};
    std::string text = picInfoText(shown.toStdString(), getFileTimeText(path), size[0], size[1]);
    const std::optional<MoiRecord> record = readCompanion(path);
    if (record)
        text += recordedInfoText(*record);
    growBy(record ? kRecordedLines * QFontMetrics(Text1->font()).lineSpacing() : 0);
    Text1->setPlainText(QString::fromStdString(text).replace("\r\n", "\n"));
    Text1->repaint();
}

}  // namespace kadrel
