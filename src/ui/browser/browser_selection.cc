#include "ui/browser/browser_selection.h"

#include <algorithm>

namespace kadrel {
namespace {

void singleChoice(ThumbnailStore& store, int32_t f) {
    const bool onlyThis = store.selectedcount == 1 && store.fileselected[f] != 0;
    unselectAll(store);
    if (!onlyThis) {
        store.fileselected[f] = 1;
        store.selectedcount = 1;
    }
}

void rangeChoice(ThumbnailStore& store, int32_t f, int k) {
    int32_t s = f;
    while (k != 0 && s >= 0 && store.fileselected[s] == 0)
        --s;
    if (k != 0 && s >= 0) {
        for (int32_t j = s + 1; j < f; ++j) {
            store.fileselected[j] = 1;
            ++store.selectedcount;
        }
    }
    toggleFile(store, f);
}

}  // namespace

void toggleFile(ThumbnailStore& store, int32_t f) {
    store.fileselected[f] = store.fileselected[f] != 0 ? 0 : 1;
    store.selectedcount += store.fileselected[f] != 0 ? 1 : -1;
}

void leftPress(ThumbnailStore& store, int32_t f, int k, bool shift, bool ctrl) {
    if (f < 0 || f >= store.filecount || store.fileselected.size() <= static_cast<size_t>(f)) {
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
    std::fill(store.fileselected.begin(), store.fileselected.end(), 1);
    store.selectedcount = static_cast<int32_t>(store.fileselected.size());
}

void unselectAll(ThumbnailStore& store) {
    std::fill(store.fileselected.begin(), store.fileselected.end(), 0);
    store.selectedcount = 0;
}

}  // namespace kadrel
