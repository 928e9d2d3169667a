// Arbitrary text through the script engine: it compiles or fails with messages, and a
// compiled program ends with a result or a run-time error within small budgets of steps,
// call depth and memory.
#include "script/TScriptEngine.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static TScriptEngine *engine = [] {
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
        e->AddGraphicsDeclarations();
        pscript::TRunLimits limits;
        limits.maxSteps = 20000;
        limits.maxDepth = 200;
        limits.maxMemory = 4 << 20;
        e->SetLimits(limits);
        return e;
    }();
    const QString source = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    if (engine->Compile(source)) {
        engine->Run();
        (void)engine->RunError();
    } else {
        for (const TScriptMessage &m : engine->Messages())
            (void)m.render();
    }
    return 0;
}
