#include "FakeScriptHost.h"

#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TVDActionComponent.h"
#include "widgets/TImageList.h"

#include <gtest/gtest.h>

#include <QAction>

TEST(ActionLists, FindByInternalIdIsExactAndInListOrder)
{
    TVDActionList list;
    auto *a = new TIntegerAction(QStringLiteral("iaDigits"), &list);
    auto *b = new TIntegerAction(QStringLiteral("iaDigits"), &list);
    auto *plain = new QAction(&list);
    list.AddAction(plain);
    EXPECT_EQ(list.ActionCount(), 3);
    EXPECT_EQ(list.FindByInternalId("iaDigits"), a);
    EXPECT_EQ(list.FindByInternalId("iadigits"), nullptr);
    EXPECT_EQ(list.FindByInternalId<TIntegerAction>("iaDigits"), a);
    EXPECT_EQ(list.FindByInternalId<TCheckAction>("iaDigits"), nullptr);
    EXPECT_EQ(list.TypedActions().size(), 2);
    delete a;
    EXPECT_EQ(list.FindByInternalId("iaDigits"), b);
    delete plain;
    EXPECT_EQ(list.ActionCount(), 1);
    // Moving an action between lists.
    TVDActionList other;
    b->SetActionList(&other);
    EXPECT_EQ(list.ActionCount(), 0);
    EXPECT_EQ(other.FindByInternalId("iaDigits"), b);
}

TEST(ActionLists, ImagesFollowTheImageIndex)
{
    TVDActionList list;
    TImageList images;
    QPixmap pm(8, 8);
    pm.fill(Qt::red);
    images.Add(QIcon());
    images.Add(QIcon(pm));
    list.SetImages(&images);
    auto *a = new TNopeAction(QStringLiteral("naGrab"), &list);
    TImageList *seenList = nullptr;
    int seenIndex = -2;
    a->OnImageChanged = [&](TImageList *l, int i) {
        seenList = l;
        seenIndex = i;
    };
    EXPECT_TRUE(a->icon().isNull());
    a->SetImageIndex(1);
    EXPECT_FALSE(a->icon().isNull());
    EXPECT_EQ(seenList, &images);
    EXPECT_EQ(seenIndex, 1);
}

TEST(ActionLists, ScriptHookChainOrder)
{
    FakeScriptHost host;
    QStringList order;
    host.SetOnCompile([&](IScriptHost &) { order << "builtins"; });

    TVDActionList first, second;
    auto *a = new TNopeAction(QStringLiteral("naA"), &first);
    a->SetScriptName("A");
    auto *b = new TNopeAction(QStringLiteral("naB"), &second);
    b->SetScriptName("B");
    auto *c = new TIntegerAction(QStringLiteral("iaC"), &second);
    c->SetScriptName("C");
    first.SetPascalScript(&host);
    second.SetPascalScript(&host);
    host.RunCompileEvent();
    // The built-ins first, then the lists in the order they were connected.
    EXPECT_EQ(order, QStringList{"builtins"});
    EXPECT_EQ(host.declarations(),
              (QStringList{"procedure A;", "procedure B;", "procedure C(const aInteger:integer);"}));

    // Unhooking gives the script back the handler the list had replaced.
    host.methods.clear();
    order.clear();
    second.SetPascalScript(nullptr);
    host.RunCompileEvent();
    EXPECT_EQ(order, QStringList{"builtins"});
    EXPECT_EQ(host.declarations(), QStringList{"procedure A;"});

    // A list destroyed while hooked drops out of the chain; the rest still runs.
    second.SetPascalScript(&host);
    {
        TVDActionList third;
        auto *d = new TNopeAction(QStringLiteral("naD"), &third);
        d->SetScriptName("D");
        third.SetPascalScript(&host);
        auto *e = new TNopeAction(QStringLiteral("naE"), &first);
        e->SetScriptName("E");
    }
    host.methods.clear();
    order.clear();
    host.RunCompileEvent();
    EXPECT_EQ(order, QStringList{"builtins"});
    EXPECT_EQ(host.declarations(), (QStringList{"procedure A;", "procedure E;", "procedure B;",
                                                "procedure C(const aInteger:integer);"}));
}

TEST(ActionLists, ListForgetsADestroyedScript)
{
    TVDActionList list;
    {
        FakeScriptHost host;
        list.SetPascalScript(&host);
        EXPECT_EQ(list.PascalScript(), &host);
    }
    EXPECT_EQ(list.PascalScript(), nullptr);
    list.SetPascalScript(nullptr); // nothing to give back to
}
