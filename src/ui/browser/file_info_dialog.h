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

namespace kadrel {

/// The information text: "File:", the path, "File date/time:", the time, "Resolution:" and
/// the size, as CR LF separated lines.
std::string picInfoText(const std::string& shownpath, const std::string& timetext, int width, int height);

/// The lines added when the clip's .MOI companion reads: "Recorded:", the recording time, then
/// its length and the recorded aspect.
std::string recordedInfoText(const MoiRecord& record);

class FileInfoDialog : public QDialog {
    Q_OBJECT
  public:
    /// Reads filelist, picturesize and currentfileindex of store on every showing.
    explicit FileInfoDialog(const ThumbnailStore& store, QWidget* parent = nullptr);

    /// Converts twips (1/1440 inch) into pixels of this screen.
    int px(int twips) const;

    QFrame* Shape1;
    QFrame* Shape2;
    QLabel* Label1;
    QPlainTextEdit* Text1;
    QPushButton* Command1;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void rebuildText();
    /// The window's size in twips, taller by pixels for the companion's lines.
    void growBy(int pixels);
    const ThumbnailStore& store_;
};

}  // namespace kadrel
