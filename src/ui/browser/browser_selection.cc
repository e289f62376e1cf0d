#include "ui/browser/browser_selection.h"

#include <algorithm>

namespace kadrel {
namespace {

void singleChoice(ThumbnailStore& store, int32_t f) {
    const bool onlyThis = store.selectedCount == 1 && store.fileSelected[f] != 0;
    unselectAll(store);
    if (!onlyThis) {
        store.fileSelected[f] = 1;
        store.selectedCount = 1;
    }
}

void rangeChoice(ThumbnailStore& store, int32_t f, int k) {
    int32_t s = f;
    while (k != 0 && s >= 0 && store.fileSelected[s] == 0)
        --s;
    if (k != 0 && s >= 0) {
        for (int32_t j = s + 1; j < f; ++j) {
            store.fileSelected[j] = 1;
            ++store.selectedCount;
        }
    }
    toggleFile(store, f);
}

}  // namespace

void toggleFile(ThumbnailStore& store, int32_t f) {
    store.fileSelected[f] = store.fileSelected[f] != 0 ? 0 : 1;
    store.selectedCount += store.fileSelected[f] != 0 ? 1 : -1;
}

void leftPress(ThumbnailStore& store, int32_t f, int k, bool shift, bool ctrl) {
    if (f < 0 || f >= store.fileCount || store.fileSelected.size() <= static_cast<size_t>(f)) {
        return;
    }
    if (shift && ctrl)
        return;
    if (ctrl) {
        toggleFile(store, f);
    } else if (shift) {
        rangeChoice(store, f, k);
    } else {
        singleChoice(store, f);
    }
}

void selectAll(ThumbnailStore& store) {
    std::fill(store.fileSelected.begin(), store.fileSelected.end(), 1);
    store.selectedCount = static_cast<int32_t>(store.fileSelected.size());
}

void unselectAll(ThumbnailStore& store) {
    std::fill(store.fileSelected.begin(), store.fileSelected.end(), 0);
    store.selectedCount = 0;
}

}  // namespace kadrel
