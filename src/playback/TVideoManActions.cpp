// The video manager's actions (the renderer manager's, plus the decoder cycling) and its
// preferences: the actions' values and the learned video decoder links.
#include "actions/TNopeAction.h"
#include "media/TDecoderLinks.h"
#include "playback/TVideoMan.h"
#include "prefs/TPreferencesMan.h"
#include "prefs/TVardoPreferences.h"

void TVideoMan::CreateActions()
{
    TWindowLessMan::CreateActions();
    naNextDecoderVideo = new TNopeAction(QStringLiteral("naNextDecoderVideo"), this);
}

void TVideoMan::InitActions()
{
    TWindowLessMan::InitActions();
    TNopeAction *a = naNextDecoderVideo;
    a->SetName(a->InternalId());
    a->SetScriptName(QStringLiteral("NextDecoderVideo"));
    a->SetCaption(QStringLiteral("Décodeur Video Suivant"));
    a->SetHint(QStringLiteral("Cliquez pour passer au Décodeur Video Suivant"));
    a->SetShortCut(QKeySequence(QStringLiteral("Ctrl+F8")));
    a->SetApplyWhenLoad(false);
    a->SetIncludePrefs(true);
}

void TVideoMan::FindActions()
{
    TWindowLessMan::FindActions();
    naNextDecoderVideo = FindByInternalId<TNopeAction>(QStringLiteral("naNextDecoderVideo"));
}

void TVideoMan::ConnectActions()
{
    TWindowLessMan::ConnectActions();
    naNextDecoderVideo->InternalApply = [this] { NextDecoder(); };
}

bool TVideoMan::LoadPrefs(TVardoPreferences &prefs)
{
    bool ok = LoadFromPrefs(prefs);
    if (prefs.OpenKey(QStringLiteral("VideoDecoders"))) {
        ok &= TDecoderLists::VideoLearned().Load(*prefs.Store());
        prefs.CloseKey();
    }
    return ok;
}

bool TVideoMan::SavePrefs(TVardoPreferences &prefs)
{
    bool ok = SaveToPrefs(prefs);
    if (prefs.OpenKey(QStringLiteral("VideoDecoders"))) {
        ok &= TDecoderLists::VideoLearned().Save(*prefs.Store());
        prefs.CloseKey();
    } else {
        ok = false;
    }
    return ok;
}
