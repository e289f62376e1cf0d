#include "ui/browser/thumbnail_browser.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/browser/browser_geometry.h"
#include "ui/browser/browser_selection.h"
#include "ui/browser/display_size.h"
#include "ui/screen_fit.h"

namespace kadrel {
namespace {

QPushButton* makeButton(const char* name, const QString& text, const QString& tip, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setToolTip(tip);
    button->setAutoDefault(false);
    return button;
}

QLabel* makeLabel(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

}  // namespace

ThumbnailBrowser::ThumbnailBrowser(ThumbnailStore& store, BrowserSettings& settings, QWidget* mainWindow,
                                   UiSeam* ui, ThumbnailSource source)
    : QDialog(mainWindow, Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      store_(store),
      settings_(settings),
      ui_(ui) {
    setObjectName("ThumbnailBrowser");
    setWindowTitle("select Clips/Pictures manually");
    if (mainWindow != nullptr)
        QApplication::alert(mainWindow);
    model_ = new ThumbnailModel(store_, std::move(source.grab), source.cacheFolder, devicePixelRatioF(),
                                source.workers, this);
    delegate_ = new ThumbnailDelegate(this);
    view_ = new ThumbnailView(this);
    view_->setModel(model_);
    view_->setItemDelegate(delegate_);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(view_, 1);
    layout->addWidget(buildPanel());
    fileInfoDialog_ = new FileInfoDialog(store_, this);
    connectView();
    settings_.thumbnailSize = static_cast<int16_t>(displaySizeIndex(settings_.thumbnailSize));
    applySize(settings_.thumbnailSize);
    sizeCombo_->setCurrentIndex(settings_.thumbnailSize);
    fileCountLabel_->setText(QString::number(store_.fileCount));
    showSelection();
    restoreBrowserGeometry(*this, settings_);
    loading_ = false;
}

QWidget* ThumbnailBrowser::buildPanel() {
    auto* panel = new QWidget(this);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(makeLabel("sizeLabel", "Size of Thumbnails:", panel));
    sizeCombo_ = new QComboBox(panel);
    sizeCombo_->setObjectName("sizeCombo");
    for (const DisplaySize& size : kDisplaySizes)
        sizeCombo_->addItem(size.item);
    sizeCombo_->setToolTip("specify size of Thumbnails");
    column->addWidget(sizeCombo_);
    column->addSpacing(12);
    selectAllButton_ = makeButton("selectAllButton", "&Select All", "selects all Thumbnails", panel);
    unselectAllButton_ = makeButton("unselectAllButton", "&Unselect All", "unselects all Thumbnails", panel);
    column->addWidget(selectAllButton_);
    column->addWidget(unselectAllButton_);
    column->addSpacing(12);
    column->addWidget(buildCounts());
    column->addSpacing(12);
    acceptButton_ =
        makeButton("acceptButton", "&Accept && Close", "accept current selection and close Browser", panel);
    column->addWidget(acceptButton_);
    auto* hint = makeLabel("hintLabel",
                           "(use Shift/Ctrl Key+left Mousebutton to select multiple items, use right "
                           "Mousebutton to get File Information)",
                           panel);
    hint->setWordWrap(true);
    column->addWidget(hint);
    column->addStretch(1);
    panel->setFixedWidth(std::max(140, panel->sizeHint().width()));
    // On a screen too low for the whole panel it scrolls, so the window still fits.
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("panelScroll");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(panel);
    scroll->setFixedWidth(panel->width() + scroll->verticalScrollBar()->sizeHint().width());
    scroll->setMinimumHeight(std::min(panel->sizeHint().height(), 120));
    return scroll;
}

QWidget* ThumbnailBrowser::buildCounts() {
    auto* counts = new QFrame(this);
    counts->setObjectName("countsFrame");
    counts->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QVBoxLayout(counts);
    grid->addWidget(makeLabel("totalFilesLabel", "total Files:", counts));
    fileCountLabel_ = makeLabel("fileCountLabel", "", counts);
    grid->addWidget(fileCountLabel_);
    grid->addWidget(makeLabel("selectedFilesLabel", "selected Files:", counts));
    selectedCountLabel_ = makeLabel("selectedCountLabel", "", counts);
    grid->addWidget(selectedCountLabel_);
    return counts;
}

void ThumbnailBrowser::connectView() {
    shownRowsTimer_.setSingleShot(true);
    shownRowsTimer_.setInterval(0);  // once after a burst of scrolls and resizes
    connect(&shownRowsTimer_, &QTimer::timeout, this, [this] {
        const auto [first, last] = view_->shownRows();
        model_->showRows(first, last);
    });
    connect(view_, &ThumbnailView::shownRowsChanged, &shownRowsTimer_, qOverload<>(&QTimer::start));
    connect(view_, &ThumbnailView::leftPressed, this, &ThumbnailBrowser::onLeftPressed);
    connect(view_, &ThumbnailView::infoRequested, this, &ThumbnailBrowser::onInfoRequested);
    connect(view_, &ThumbnailView::rangeRequested, this, &ThumbnailBrowser::onRange);
    connect(view_, &ThumbnailView::toggleRequested, this, [this](int row) {
        toggleFile(store_, row);
        showSelection();
    });
    connect(view_, &ThumbnailView::selectAllRequested, selectAllButton_, &QPushButton::click);
    connect(view_, &ThumbnailView::acceptRequested, this, &ThumbnailBrowser::closeKeepingSelection);
    connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { store_.currentFileIndex = current.row(); });
    connect(model_, &ThumbnailModel::decoderUnusable, this, &ThumbnailBrowser::onDecoderUnusable);
    connectPanel();
}

void ThumbnailBrowser::connectPanel() {
    connect(sizeCombo_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!loading_ && index >= 0) {
            applySize(index);
            view_->setFocus();
        }
    });
    connect(selectAllButton_, &QPushButton::clicked, this, [this] {
        selectAll(store_);
        showSelection();
    });
    connect(unselectAllButton_, &QPushButton::clicked, this, [this] {
        unselectAll(store_);
        showSelection();
    });
    connect(acceptButton_, &QPushButton::clicked, this, &ThumbnailBrowser::closeKeepingSelection);
    // The four scroll keys work whichever control has the focus; the wheel over the size list
    // scrolls the thumbnails, so the size changes only when it is chosen.
    for (QWidget* control :
         std::initializer_list<QWidget*>{sizeCombo_, selectAllButton_, unselectAllButton_, acceptButton_})
        control->installEventFilter(this);
}

void ThumbnailBrowser::applySize(int index) {
    const DisplaySize& size = kDisplaySizes[displaySizeIndex(index)];
    const bool wide = store_.wideThumbnails;
    const QSize frame(wide ? size.frameWidth169 : size.frameWidth43, size.frameHeight);
    const QSize picture(wide ? size.pictureWidth169 : size.pictureWidth43, size.pictureHeight);
    settings_.thumbnailSize = static_cast<int16_t>(displaySizeIndex(index));
    model_->setPictureSize(picture);
    delegate_->setSizes(frame, picture, size.secondLine);
    const QSize cell = delegate_->cellSize(view_->fontMetrics());
    view_->setCellSize(QSize(std::max(cell.width(), 90), cell.height()));
    // One frame always fits: the window grows for it as far as the screen allows.
    const QSize screen = availableScreenSize() - QSize(panelWidth() + 40, 80);
    view_->setMinimumSize((view_->gridSize() + QSize(view_->verticalScrollBar()->sizeHint().width() + 4, 4))
                              .boundedTo(screen)
                              .expandedTo(QSize(100, 100)));
    if (!loading_)
        keepOnScreen(*this);
    view_->doItemsLayout();
}

QSize ThumbnailBrowser::availableScreenSize() const {
    const QScreen* shown = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    return shown != nullptr ? shown->availableGeometry().size() : QSize(1024, 600);
}

int ThumbnailBrowser::panelWidth() const {
    const auto* panel = findChild<QScrollArea*>("panelScroll");
    return panel != nullptr ? panel->width() : 0;
}

void ThumbnailBrowser::showSelection() {
    model_->selectionChanged();
    selectedCountLabel_->setText(QString::number(store_.selectedCount));
}

void ThumbnailBrowser::onLeftPressed(int row, int k, Qt::KeyboardModifiers modifiers) {
    leftPress(store_, row, k, modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::ControlModifier));
    showSelection();
}

void ThumbnailBrowser::onInfoRequested(int row, QPoint globalPos) {
    store_.currentFileIndex = row;
    fileInfoDialog_->move(globalPos + QPoint(4, 4));
    keepOnScreen(*fileInfoDialog_);
    fileInfoDialog_->exec();
}

// Shift and an arrow add every file from the current one before the key to the new one.
void ThumbnailBrowser::onRange(int from, int to) {
    for (int row = std::min(from, to); row <= std::max(from, to); ++row) {
        if (row >= 0 && row < store_.fileCount && store_.fileSelected[row] == 0)
            toggleFile(store_, row);
    }
    showSelection();
}

void ThumbnailBrowser::onDecoderUnusable() {
    if (ui_ != nullptr)
        showDecoderUnusable(*ui_);
}

void ThumbnailBrowser::closeKeepingSelection() {
    keepSelection_ = true;
    model_->stopFilling();
    fileInfoDialog_->hide();
    accept();
}

void ThumbnailBrowser::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (!loading_)
        storeBrowserGeometry(*this, settings_);
}

void ThumbnailBrowser::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    if (!loading_)
        storeBrowserGeometry(*this, settings_);
}

void ThumbnailBrowser::keyPressEvent(QKeyEvent* event) {
    if (view_->scrollByKey(event->key()) || event->key() == Qt::Key_Escape) {
        event->accept();  // Escape: only the close box throws the selection away
        return;
    }
    QDialog::keyPressEvent(event);
}

bool ThumbnailBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && view_->scrollByKey(static_cast<QKeyEvent*>(event)->key()))
        return true;
    if (watched == sizeCombo_ && event->type() == QEvent::Wheel) {
        QApplication::sendEvent(view_->viewport(), event);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void ThumbnailBrowser::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    keepOnScreen(*this);  // again, now that the window's frame counts
    view_->setFocus();
    if (!view_->currentIndex().isValid() && model_->rowCount() > 0)
        view_->setCurrentIndex(model_->index(0));
    shownRowsTimer_.start();
}

void ThumbnailBrowser::closeEvent(QCloseEvent* event) {
    // The close box means "cancel": the choice made here is thrown away.
    if (!keepSelection_)
        unselectAll(store_);
    model_->stopFilling();
    fileInfoDialog_->hide();
    QDialog::closeEvent(event);
}

}  // namespace kadrel
