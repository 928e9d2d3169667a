// The main menu, the context menu of the video area and the tool bar, bound to the actions of
// every list of the window by name.
#include "capture/TShowForm.h"

#include "actions/TBooleanAction.h"
#include "actions/TCustomAbstractAction.h"
#include "playback/TVDBar.h"
#include "playback/TVDToolBars.h"

#include <QMenu>
#include <QMenuBar>

namespace {

const char *const kSeparator = nullptr;

} // namespace

void TShowForm::CreateMenus()
{
    auto fill = [this](QMenu *menu, std::initializer_list<const char *> names) {
        for (const char *n : names) {
            if (!n)
                menu->addSeparator();
            else if (TCustomAbstractAction *a = FindAction(QString::fromLatin1(n))) {
                // A boolean setting is a check item that turns it over.
                if (auto *b = qobject_cast<TBooleanAction *>(a))
                    b->ShowAsToggle();
                menu->addAction(a);
            }
        }
    };
    MainMenu1->setNativeMenuBar(false);
    fill(MainMenu1->addMenu(QStringLiteral("Fichiers")),
         {"waOpenFile", "naPasteFile", "naCloseFile", kSeparator, "naRecent1", "naRecent2", "naRecent3",
          "naRecent4", "naRecent5", "naRecent6", "naRecent7", "naRecent8", "naRecent9", "naRecent10"});
    fill(MainMenu1->addMenu(QStringLiteral("Vidéo")),
         {"caFullscreen", "caPreviewform", "caBasculerVue", kSeparator, "caFlipVertical", "caFlipHorizontal",
          kSeparator, "naForcerNormal", "naForcer4x3", "naForcer16x9", "naForcerNative", kSeparator,
          "caMute"});
    fill(MainMenu1->addMenu(QStringLiteral("Images")),
         {"naGrab", "naCopy", kSeparator, "naBmpExtension", "naJpegExtension", "naPngExtension",
          "naAjouterTimeStamp", "naAjouterNumero", "baImageDeinterlacer", "baImageMetadata", kSeparator,
          "naShowImagette", "naShowSaveImages"});
    fill(MainMenu1->addMenu(QStringLiteral("Incruster")),
         {"caInsertTextOn", "caSliders", "naInsertTimestamp", "naInsertNumero", "naInsertDatecode",
          "naInsertTimecode", "naInsertSysdateTime", "naInsertPerso", kSeparator, "naShowDVIncrust",
          "naShowIncrust"});
    fill(MainMenu1->addMenu(QStringLiteral("?")),
         {"caHelp", "caScript", "caOptions", "caAbout", "naHomePage", "naQuit"});

    fill(PopupMenu, {"naGrab", "naCopy", kSeparator, "caFullscreen", kSeparator, "naForcerNormal",
                     "naForcerNative", "naForcer4x3", "naForcer16x9", kSeparator, "caMute", "caInsertTextOn",
                     "caFlipVertical", "caFlipHorizontal", kSeparator, "caSliders", kSeparator});
    fill(PopupMenu->addMenu(QStringLiteral("Panneaux de réglages")),
         {"naShowSaveImages", "naShowImagette", "naShowIncrust", "caOptions", "caScript", "caHelp",
          "caAbout"});
    fill(PopupMenu, {kSeparator, "naRecent1", "naRecent2", "naRecent3", "naRecent4", kSeparator, "naQuit"});
}

void TShowForm::CreateToolBar(QWidget *client)
{
    const std::initializer_list<const char *> entries = {
        "waOpenFile",       "naPasteFile",      "naCloseFile",      kSeparator,     "naGrab",
        "naCopy",           "caIntervalloShow", kSeparator,         "caFullscreen", "caMute",
        "caInsertTextOn",   "caFlipVertical",   "caFlipHorizontal", kSeparator,     "naShowImagette",
        "naShowSaveImages", "naShowDVIncrust",  "naShowIncrust",    kSeparator,     "caHelp",
        "caScript",         "caOptions",        "caAbout",          "naQuit"};
    QList<TCustomAbstractAction *> list;
    for (const char *n : entries) {
        if (!n) {
            list << nullptr;
        } else if (TCustomAbstractAction *a = FindAction(QString::fromLatin1(n))) {
            list << a;
        }
    }
    barUnique = TVDToolBars::CreateMainToolBar(client, list, Images);
}
