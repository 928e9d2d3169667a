#pragma once
// Where the preferences are kept: the per-user store, the portable ini file beside the program,
// or nowhere. The preferences component switches stores by it; the prompt service answers with
// it when it asks at the first close.
//
// Scripts know this enumeration under this name, in this order.
enum TSavePreferences { spRegistre = 0, spPortable = 1, spNone = 2 };
