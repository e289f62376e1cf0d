// What the main window's manual selection calls: search and sort the files, learn what their
// captions tell, show the browser modal, and turn the choice into the list for the copy run.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "app/ui_seam.h"
#include "engine/copy/file_search.h"
#include "engine/run_context.h"
#include "settings/settings.h"
#include "ui/browser/thumbnail_store.h"

namespace kadrel {

/// Searches sourcedir and its subfolders for searchext into store.fileList and fileCount (on a
/// worker thread: it touches nothing else). The list is left empty when the search was aborted.
int32_t searchSelectionFiles(ThumbnailStore& store, SearchState& search, const Settings& settings,
                             const std::atomic<bool>& abortRequested);

/// The message that names the folders a search could not list, the source itself included:
/// they may hide clips.
std::string unreadableFoldersText(const SearchState& search);

/// Puts fileList into ascending order of the time that names each file (the .MOI time with
/// useMoi when the companion reads, else the last-write time); files of the same time in byte
/// order of their paths, which keeps a camera's hexadecimal numbers in order. A file whose time
/// cannot be read sorts first. Fills store.facts for the captions.
void sortFileList(ThumbnailStore& store, bool useMoi = false);

/// Sorts the list and readies it for the browser: clips when searchText is MOD or MPG (wide =
/// setws), else pictures, and nothing selected. With useMoi a clip whose .MOI companion says
/// 16:9 makes the list wide whatever setws says, and clips recorded 4:3 (or, when setws is off,
/// of unknown shape) show 4:3 between black bars.
void prepareSelection(ThumbnailStore& store, const std::string& searchText, bool setWideScreen,
                      bool useMoi = false);

/// Shows the browser modal over mainWindow and returns selectedCount afterwards; ui tells when
/// the decoder cannot be used.
int32_t showThumbnailBrowser(ThumbnailStore& store, BrowserSettings& settings, QWidget* mainWindow,
                             UiSeam* ui = nullptr);

/// The chosen paths in the browser's order, for the list copy run; returns their number.
int32_t collectSelectedFiles(const ThumbnailStore& store, std::vector<std::string>& selectedFiles);

}  // namespace kadrel
