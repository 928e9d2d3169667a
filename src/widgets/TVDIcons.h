#pragma once
// The program's action images, one per image index. Indexes 10 to 18 are the ones the video
// and audio managers' check actions name for their two faces; the others are free and listed
// here for the tool bars, menus and panels that bind to them.
class QObject;
class TImageList;

class TVDIcons
{
public:
    enum Index {
        imgOpenFile = 0,
        imgPasteFile = 1,
        imgCloseFile = 2,
        imgGrab = 3,
        imgCopy = 4,
        imgIntervallo = 5,
        imgImagette = 6,
        imgSaveImages = 7,
        imgDVIncrust = 8,
        imgIncrust = 9,
        imgSoundOff = 10, // caMute checked ("Remettre le son")
        imgFullscreen = 11,
        imgFlipHorizontalOff = 12,
        imgFlipHorizontalOn = 13,
        imgFlipVerticalOn = 14,
        imgFlipVerticalOff = 15,
        imgSoundOn = 16,       // caMute unchecked ("Couper le Son")
        imgInsertTextOff = 17, // caInsertTextOn unchecked
        imgInsertTextOn = 18,  // caInsertTextOn checked
        imgHelp = 19,
        imgScript = 20,
        imgOptions = 21,
        imgAbout = 22,
        imgQuit = 23,
        imgReculeDebut = 24,
        imgReculeHigh = 25,
        imgReculeMedium = 26,
        imgReculeLow = 27,
        imgPlay = 28,
        imgPause = 29,
        imgAvanceLow = 30,
        imgAvanceMedium = 31,
        imgAvanceHigh = 32,
        imgAvanceFin = 33,
        imgParentFolder = 34,
        imgEMail = 35,
        imgHomePage = 36,
        imgRecent = 37,
        imgSaveFileAs = 38,
        imgNewFile = 39,
        imgCount = 40
    };

    // A new image list holding every image in index order, owned by `parent`.
    static TImageList *Create(QObject *parent = nullptr);
    // The resource path of an index's image (empty out of range).
    static const char *ResourcePath(int index);
};
