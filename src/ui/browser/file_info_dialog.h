// The file information window: path, date and time, and picture size of the thumbnail last
// pressed in the browser, and what the clip's .MOI companion recorded. Closing it only hides it.
#pragma once

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <string>

#include "engine/copy/moi_companion.h"
#include "ui/browser/thumbnail_store.h"
#include "ui/twips.h"

namespace kadrel {

/// The information text: "File:", the path, "File date/time:", the time, "Resolution:" and
/// the size, as CR LF separated lines.
std::string picInfoText(const std::string& shownPath, const std::string& timeText, int width, int height);

/// The lines added when the clip's .MOI companion reads: "Recorded:", the recording time, then
/// its length and the recorded aspect.
std::string recordedInfoText(const MoiRecord& record);

class FileInfoDialog : public QDialog {
    Q_OBJECT
  public:
    /// Reads fileList, pictureSizes and currentFileIndex of store on every showing.
    explicit FileInfoDialog(const ThumbnailStore& store, QWidget* parent = nullptr);

    /// The information shown, as lines.
    QPlainTextEdit* infoText() const { return infoText_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    int px(int twips) const { return twipsToPixels(twips, logicalDpiX()); }
    void rebuildText();
    /// The window's size in twips, taller by pixels for the companion's lines.
    void growBy(int pixels);

    const ThumbnailStore& store_;
    QFrame* outerBox_ = nullptr;
    QFrame* innerBox_ = nullptr;
    QLabel* titleLabel_ = nullptr;
    QPlainTextEdit* infoText_ = nullptr;
    /// Holds the focus, out of sight, so that no text is selected when the window opens.
    QPushButton* focusButton_ = nullptr;
};

}  // namespace kadrel
