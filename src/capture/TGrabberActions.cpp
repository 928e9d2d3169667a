// The grab and naming actions of the main window's list, and what applying each of them does.
#include "actions/TBooleanAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TWidestringAction.h"
#include "capture/TGrabber.h"
#include "widgets/TVDIcons.h"

namespace {

// One action of the window's list: name, category, script name, switch, shortcut and whether
// it is applied when the preferences are loaded. Every one of them is kept in the preferences.
template <class A>
A *Make(QObject *owner, TCustomVDActionList *list, const char *name, const char *category, const char *script,
        const char *sw, const char *shortcut, bool atLoad)
{
    auto *a = new A(owner);
    a->SetName(QString::fromLatin1(name));
    a->SetCaption(QString::fromLatin1(name).mid(2));
    a->SetInternalId(QString::fromLatin1(name));
    a->SetCategory(QString::fromLatin1(category));
    a->SetScriptName(QString::fromLatin1(script));
    a->SetSwitch(QString::fromLatin1(sw));
    a->SetShortCut(QKeySequence(QString::fromLatin1(shortcut)));
    a->SetApplyWhenLoad(atLoad);
    a->SetIncludePrefs(true);
    a->SetActionList(list);
    return a;
}

template <class A, class V> void Default(A *a, const V &v)
{
    a->SetDefaultValue(v);
    a->Value = v;
}

} // namespace

void TGrabber::CreateActions(QObject *owner, TCustomVDActionList *list)
{
    auto nope = [&](const char *n, const char *cat, const char *script, const char *sw, const char *key) {
        return Make<TNopeAction>(owner, list, n, cat, script, sw, key, false);
    };
    auto boolean = [&](const char *n, const char *cat, const char *script, const char *sw, bool def) {
        auto *a = Make<TBooleanAction>(owner, list, n, cat, script, sw, "", true);
        Default(a, def);
        return a;
    };
    auto integer = [&](const char *n, const char *cat, const char *script, const char *sw, int def) {
        auto *a = Make<TIntegerAction>(owner, list, n, cat, script, sw, "", true);
        Default(a, def);
        return a;
    };
    auto text = [&](const char *n, const char *cat, const char *script, const char *sw, const QString &def) {
        auto *a = Make<TWidestringAction>(owner, list, n, cat, script, sw, "", true);
        Default(a, def);
        return a;
    };

    naGrab = nope("naGrab", "cat_Actions", "Grab", "g", "F5");
    naGrab->SetImageIndex(TVDIcons::imgGrab);
    naGrab->SetHint(QStringLiteral("Enregistrer l'image affichée"));
    naCopy = nope("naCopy", "cat_Actions", "Copy", "c", "Ctrl+C");
    naCopy->SetImageIndex(TVDIcons::imgCopy);
    naCopy->SetHint(QStringLiteral("Copier l'image affichée dans le presse-papiers"));
    baSauverQuandClic = boolean("baSauverQuandClic", "cat_Vardo", "SauverQuandClic", "sq", true);
    baConfirmerImage = boolean("baConfirmerImage", "cat_Vardo", "ConfirmerImage", "ci", true);
    baImageDeinterlacer = boolean("baImageDeinterlacer", "cat_Vardo", "ImageDeinterlacer", "di", false);
    baImageDeinterlacer->SetCaption(QStringLiteral("Désentrelacer"));
    baElargir = boolean("baElargir", "cat_Aspect", "Elargir", "widen", false);

    iaForcerAspectRatio = integer("iaForcerAspectRatio", "cat_Aspect", "ForcerAspectRatio", "far", 0);
    naForcerNormal = nope("naForcerNormal", "cat_Aspect", "ForcerNormal", "arN", "Alt+F5");
    naForcerNormal->SetCaption(QStringLiteral("Aspect Normal"));
    naForcer4x3 = nope("naForcer4x3", "cat_Aspect", "Forcer4x3", "ar43", "Alt+F6");
    naForcer4x3->SetCaption(QStringLiteral("Forcer 4x3"));
    naForcer16x9 = nope("naForcer16x9", "cat_Aspect", "Forcer16x9", "ar169", "Alt+F7");
    naForcer16x9->SetCaption(QStringLiteral("Forcer 16x9"));
    naForcerNative = nope("naForcerNative", "cat_Aspect", "ForcerNative", "arNat", "Alt+F8");
    naForcerNative->SetCaption(QStringLiteral("Aspect Natif"));

    iaNomFichierImage = integer("iaNomFichierImage", "cat_ImageName", "NomFichierImage", "fname", 0);
    waDefaultRacine =
        text("waDefaultRacine", "cat_ImageName", "DefaultRacine", "root", QStringLiteral("Framix"));
    baLimiterLongueur = boolean("baLimiterLongueur", "cat_ImageName", "LimiterLongueur", "limit", false);
    iaRacineLength = integer("iaRacineLength", "cat_ImageName", "RacineLength", "rootlen", 8);
    iaImageAjouter = integer("iaImageAjouter", "cat_ImageName", "ImageAjouter", "addi", 0);
    naAjouterTimeStamp = nope("naAjouterTimeStamp", "cat_ImageName", "AjouterTimeStamp", "as", "");
    naAjouterNumero = nope("naAjouterNumero", "cat_ImageName", "AjouterNumero", "an", "");
    iaDigits = integer("iaDigits", "cat_ImageName", "Digits", "dig", 3);
    iaNextNum = integer("iaNextNum", "cat_ImageName", "NextNum", "n", 1);
    baRAZWhenOpenFile = boolean("baRAZWhenOpenFile", "cat_Vardo", "RAZWhenOpenFile", "raz", true);
    waDossierSave = text("waDossierSave", "cat_Vardo", "DossierSave", "savfold", DefaultFolder());
    iaImageExtension = integer("iaImageExtension", "cat_ImageName", "ImageExtension", "iex", 0);
    naJpegExtension = nope("naJpegExtension", "cat_ImageName", "JpegExtension", "ej", "");
    naBmpExtension = nope("naBmpExtension", "cat_ImageName", "BmpExtension", "eb", "");
    naPngExtension = nope("naPngExtension", "cat_ImageName", "PngExtension", "ep", "");
    iaJpegCompressionQuality =
        integer("iaJpegCompressionQuality", "cat_ImageName", "JpegCompressionQuality", "qual", 50);
    // The writers know two formats (0 BMP, 1 JPEG) and JPEG qualities from 0 to 100.
    iaImageExtension->SetTextRange(0, 1);
    iaJpegCompressionQuality->SetTextRange(0, 100);
    baImageMetadata = boolean("baImageMetadata", "cat_Vardo", "ImageMetadata", "meta", true);
    baImageMetadata->SetCaption(QStringLiteral("Écrire la date et l'origine dans les images"));
}

void TGrabber::ConnectActions()
{
    // Grab and copy run before any other handler of their actions.
    naGrab->OnBeforeApply = [this] { Grab(); };
    naCopy->OnBeforeApply = [this] { Copy(); };

    iaForcerAspectRatio->InternalApply = [this](const int &mode) {
        if (Host.SetAspectMode)
            Host.SetAspectMode(mode);
    };
    naForcerNormal->InternalApply = [this] { iaForcerAspectRatio->SetValue(0); };
    naForcer4x3->InternalApply = [this] { iaForcerAspectRatio->SetValue(1); };
    naForcer16x9->InternalApply = [this] { iaForcerAspectRatio->SetValue(2); };
    naForcerNative->InternalApply = [this] { iaForcerAspectRatio->SetValue(3); };
    naAjouterTimeStamp->InternalApply = [this] { iaImageAjouter->SetValue(0); };
    naAjouterNumero->InternalApply = [this] { iaImageAjouter->SetValue(1); };
    naJpegExtension->InternalApply = [this] { iaImageExtension->SetValue(1); };
    naBmpExtension->InternalApply = [this] { iaImageExtension->SetValue(0); };
    naPngExtension->InternalApply = [this] { iaImageExtension->SetValue(2); };

    // The panel's controls follow through OnBeforeApply (bound by the panel), so they already
    // show the new value when the name is rebuilt here.
    auto rename = [this](const auto &) { UpdateImageName(); };
    iaNomFichierImage->InternalApply = rename;
    waDefaultRacine->InternalApply = rename;
    baLimiterLongueur->InternalApply = rename;
    iaRacineLength->InternalApply = rename;
    iaImageAjouter->InternalApply = rename;
    iaImageExtension->InternalApply = rename;
    waDossierSave->InternalApply = rename;
    auto renumber = [this](const int &) {
        UpdateNumberText();
        UpdateImageName();
    };
    iaDigits->InternalApply = renumber;
    iaNextNum->InternalApply = renumber;
}

void TGrabber::CaptionActions()
{
    // Without these the menus and hints would show the actions' internal names.
    const struct
    {
        TCustomAbstractAction *action;
        const char *caption;
        const char *hint;
    } texts[] = {
        {naGrab, "Enregistrer l'image", nullptr},
        {naCopy, "Copier l'image", nullptr},
        {baSauverQuandClic, "Enregistrer l'image d'un clic sur la vidéo",
         "Un clic sur la vidéo enregistre l'image affichée"},
        {baConfirmerImage, "Confirmer avant de remplacer une image",
         "Demander avant de remplacer un fichier image qui existe déjà"},
        {baImageDeinterlacer, nullptr, "Désentrelacer chaque image capturée"},
        {baElargir, "Corriger l'aspect en élargissant",
         "Corriger l'aspect en ajoutant des colonnes plutôt qu'en retirant des lignes "
         "(720x576 en 4:3 donne 768x576) : aucune ligne de la vidéo n'est perdue"},
        {iaForcerAspectRatio, "Aspect de l'image", "Aspect forcé : normal, 4x3, 16x9 ou natif"},
        {naForcerNormal, nullptr, "Aspect annoncé par la vidéo"},
        {naForcer4x3, nullptr, "Forcer l'aspect 4:3"},
        {naForcer16x9, nullptr, "Forcer l'aspect 16:9"},
        {naForcerNative, nullptr, "Aspect des pixels de la vidéo, sans correction"},
        {iaNomFichierImage, "Racine des noms", "Racine des noms d'images : fixe ou nom de la vidéo"},
        {waDefaultRacine, "Racine fixe", "Racine fixe des noms d'images"},
        {baLimiterLongueur, "Limiter la longueur de la racine",
         "Couper le nom de la vidéo utilisé comme racine"},
        {iaRacineLength, "Longueur maxi de la racine", "Nombre de caractères gardés du nom de la vidéo"},
        {iaImageAjouter, "Suffixe des noms", "Suffixe des noms d'images : timestamp ou numéro"},
        {naAjouterTimeStamp, "Suffixe timestamp", "Ajouter la position de l'image (h.mm.ss.ii) au nom"},
        {naAjouterNumero, "Suffixe numéro", "Ajouter un numéro qui augmente à chaque image au nom"},
        {iaDigits, "Nombre de chiffres", "Nombre de chiffres du numéro (complété par des zéros)"},
        {iaNextNum, "Prochain numéro", "Numéro de la prochaine image"},
        {baRAZWhenOpenFile, "Renuméroter à l'ouverture", "Repartir du numéro 1 à chaque vidéo ouverte"},
        {waDossierSave, "Dossier des images", "Dossier où les images sont enregistrées"},
        {iaImageExtension, "Format des images", "Format des images : bmp ou jpeg"},
        {naBmpExtension, "Format BMP", "Enregistrer les images en BMP"},
        {naJpegExtension, "Format JPEG", "Enregistrer les images en JPEG"},
        {iaJpegCompressionQuality, "Qualité JPEG", "Qualité de compression JPEG (1 à 100)"},
    };
    for (const auto &t : texts) {
        if (!t.action)
            continue;
        if (t.caption)
            t.action->SetCaption(QString::fromUtf8(t.caption));
        if (t.hint)
            t.action->SetHint(QString::fromUtf8(t.hint));
    }
}
