// Arbitrary text through the script engine: it compiles or fails with messages, and a
// compiled program ends with a result or a run-time error within small budgets of steps,
// call depth and memory. The budgets are small so that one execution stays cheap: the
// interesting faults show within a few thousand steps, and long runs are tested elsewhere.
#include "script/TScriptEngine.h"

#include <cstddef>
#include <cstdint>

namespace {

const size_t kMaxInput = 4096;

TScriptEngine *makeEngine(bool graphics)
{
    auto *e = new TScriptEngine;
    e->RegisterMethod(QStringLiteral("procedure Print(const s: string);"),
                      [](const std::vector<TScriptValue> &) -> TScriptValue { return {}; });
    e->RegisterMethod(QStringLiteral("function Twice(x: Integer): Integer;"),
                      [](const std::vector<TScriptValue> &a) -> TScriptValue {
                          return std::int64_t(std::get<std::int64_t>(a[0]) * 2);
                      });
    e->AddType(QStringLiteral("TAlignment"), QStringLiteral("(taLeftJustify, taRightJustify, taCenter)"));
    e->AddType(QStringLiteral("TGUID"),
               QStringLiteral("record D1: LongWord; D2: Word; D3: Word; D4: array[0..7] of Byte; end;"));
    e->AddConstant(QStringLiteral("SecsPerDay"), QStringLiteral("Longint"), std::int64_t(86400));
    if (graphics)
        e->AddGraphicsDeclarations();
    pscript::TRunLimits limits;
    limits.maxSteps = 5000;
    limits.maxDepth = 64;
    limits.maxMemory = 1 << 20;
    e->SetLimits(limits);
    return e;
}

// The graphics declarations are parsed again on every compile and cost most of an
// execution: only texts that start with the comment "//G" get them (the graphics seed does).
bool wantsGraphics(const QString &source)
{
    return source.startsWith(QLatin1String("//G"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static TScriptEngine *plain = makeEngine(false);
    static TScriptEngine *graphics = makeEngine(true);
    // Longer texts only repeat what shorter ones reach, at a higher price per execution.
    if (size > kMaxInput)
        return 0;
    const QString source = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    TScriptEngine *engine = wantsGraphics(source) ? graphics : plain;
    if (engine->Compile(source)) {
        engine->Run();
        (void)engine->RunError();
    } else {
        for (const TScriptMessage &m : engine->Messages())
            (void)m.render();
    }
    return 0;
}
