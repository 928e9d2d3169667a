#include "widgets/TVDIcons.h"

#include "widgets/TImageList.h"

#include <QIcon>

// The resource lives in the static library: referencing its initialiser keeps it linked in.
static void InitIconResource()
{
    Q_INIT_RESOURCE(TVDIcons);
}

static const char *const kPaths[TVDIcons::imgCount] = {
    ":/framix/icons/document-open.png",
    ":/framix/icons/edit-paste.png",
    ":/framix/icons/window-close.png",
    ":/framix/icons/camera-photo.png",
    ":/framix/icons/edit-copy.png",
    ":/framix/icons/media-playlist-repeat.png",
    ":/framix/icons/insert-image.png",
    ":/framix/icons/document-save.png",
    ":/framix/icons/camera-video.png",
    ":/framix/icons/preferences-desktop-font.png",
    ":/framix/icons/audio-volume-muted.png",
    ":/framix/icons/view-fullscreen.png",
    ":/framix/icons/object-flip-horizontal.png",
    ":/framix/icons/object-flip-horizontal.png",
    ":/framix/icons/object-flip-vertical.png",
    ":/framix/icons/object-flip-vertical.png",
    ":/framix/icons/audio-volume-high.png",
    ":/framix/icons/insert-text.png",
    ":/framix/icons/format-text-strikethrough.png",
    ":/framix/icons/help-browser.png",
    ":/framix/icons/accessories-text-editor.png",
    ":/framix/icons/preferences-system.png",
    ":/framix/icons/help-about.png",
    ":/framix/icons/application-exit.png",
    ":/framix/icons/go-first.png",
    ":/framix/icons/media-skip-backward.png",
    ":/framix/icons/media-seek-backward.png",
    ":/framix/icons/go-previous.png",
    ":/framix/icons/media-playback-start.png",
    ":/framix/icons/media-playback-pause.png",
    ":/framix/icons/go-next.png",
    ":/framix/icons/media-seek-forward.png",
    ":/framix/icons/media-skip-forward.png",
    ":/framix/icons/go-last.png",
    ":/framix/icons/folder-visiting.png",
    ":/framix/icons/mail-message-new.png",
    ":/framix/icons/go-home.png",
    ":/framix/icons/document-open-recent.png",
    ":/framix/icons/document-save-as.png",
    ":/framix/icons/document-new.png",
};

const char *TVDIcons::ResourcePath(int index)
{
    return index >= 0 && index < imgCount ? kPaths[index] : "";
}

TImageList *TVDIcons::Create(QObject *parent)
{
    static const bool once = (InitIconResource(), true);
    (void)once;
    auto *list = new TImageList(parent);
    for (int i = 0; i < imgCount; ++i)
        list->Add(QIcon(QString::fromLatin1(kPaths[i])));
    return list;
}
