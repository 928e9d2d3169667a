#include "script/TScriptTypes.h"

namespace pscript {

int TScriptType::fieldIndex(const QString &fieldName) const
{
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name.compare(fieldName, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

const TClassMember *TScriptType::findMember(const QString &memberName) const
{
    for (const TScriptType *c = this; c; c = c->parent)
        for (const TClassMember &m : c->members)
            if (m.name.compare(memberName, Qt::CaseInsensitive) == 0)
                return &m;
    return nullptr;
}

bool TScriptType::inheritsFrom(const TScriptType *ancestor) const
{
    for (const TScriptType *c = this; c; c = c->parent)
        if (c == ancestor)
            return true;
    return false;
}

void TMemAccount::add(std::int64_t bytes)
{
    if (bytes > 0 && m_used + bytes > m_cap)
        throw EScriptRuntime(QStringLiteral("Mémoire insuffisante"));
    m_used += bytes;
}

void TMemAccount::checkString(std::int64_t chars) const
{
    if (chars < 0 || chars * 2 > m_cap - m_used)
        throw EScriptRuntime(QStringLiteral("Mémoire insuffisante"));
}

TRunValue TRunValue::cloned() const
{
    if ((k == K::Rec || k == K::Arr) && p && (p->isRecord || p->isStatic)) {
        TRunValue r;
        r.k = k;
        auto store = std::make_shared<TStore>(p->account, p->items.size());
        store->isRecord = p->isRecord;
        store->isStatic = p->isStatic;
        store->low = p->low;
        for (size_t n = 0; n < p->items.size(); ++n)
            store->set(n, p->items[n].cloned());
        r.p = std::move(store);
        return r;
    }
    return *this;
}

std::int64_t TRunValue::cost() const
{
    return std::int64_t(sizeof(TRunValue)) + (k == K::Str ? std::int64_t(s.size()) * 2 : 0);
}

TStore::TStore(std::shared_ptr<TMemAccount> acc, std::size_t count) : account(std::move(acc))
{
    // The store's own bookkeeping counts too, so that many small records reach the cap.
    const std::int64_t want = std::int64_t(count) * std::int64_t(sizeof(TRunValue)) + 96;
    if (account)
        account->add(want);
    bytes = want;
    items.resize(count);
}

TStore::~TStore()
{
    if (account)
        account->remove(bytes);
}

void TStore::set(std::size_t index, TRunValue v)
{
    TRunValue &slot = items[index];
    const std::int64_t delta = v.cost() - slot.cost();
    if (account && delta > 0)
        account->add(delta);
    else if (account)
        account->remove(-delta);
    bytes += delta;
    slot = std::move(v);
}

void TStore::resize(std::size_t count)
{
    const std::int64_t now = std::int64_t(items.size());
    if (std::int64_t(count) > now) {
        const std::int64_t want = (std::int64_t(count) - now) * std::int64_t(sizeof(TRunValue));
        if (account)
            account->add(want);
        bytes += want;
        items.resize(count);
    } else {
        for (size_t n = count; n < items.size(); ++n)
            set(n, TRunValue());
        const std::int64_t freed = (now - std::int64_t(count)) * std::int64_t(sizeof(TRunValue));
        if (account)
            account->remove(freed);
        bytes -= freed;
        items.resize(count);
    }
}

TRunValue defaultValue(const TScriptType *t, const std::shared_ptr<TMemAccount> &account)
{
    if (!t)
        return {};
    switch (t->kind) {
    case ETypeKind::Integer:
    case ETypeKind::Enum:
        return TRunValue::fromInt(0);
    case ETypeKind::Float:
        return TRunValue::fromFloat(0);
    case ETypeKind::Boolean:
        return TRunValue::fromBool(false);
    case ETypeKind::Char:
        return TRunValue::fromChar(0);
    case ETypeKind::String:
        return TRunValue::fromStr(QString());
    case ETypeKind::Set:
        return TRunValue::fromSet(TSetBits{});
    case ETypeKind::Record: {
        TRunValue r;
        r.k = TRunValue::K::Rec;
        r.p = std::make_shared<TStore>(account, t->fields.size());
        r.p->isRecord = true;
        for (size_t n = 0; n < t->fields.size(); ++n)
            r.p->set(n, defaultValue(t->fields[n].type, account));
        return r;
    }
    case ETypeKind::StaticArray: {
        TRunValue r;
        r.k = TRunValue::K::Arr;
        const std::int64_t count = t->arrayLength();
        if (account)
            account->add(count * std::int64_t(sizeof(TRunValue))); // refuse before allocating
        if (account)
            account->remove(count * std::int64_t(sizeof(TRunValue)));
        r.p = std::make_shared<TStore>(account, size_t(count));
        r.p->isStatic = true;
        r.p->low = t->low;
        for (std::int64_t n = 0; n < count; ++n)
            r.p->set(size_t(n), defaultValue(t->elem, account));
        return r;
    }
    case ETypeKind::DynArray: {
        TRunValue r;
        r.k = TRunValue::K::Arr; // p stays null: an empty dynamic array
        return r;
    }
    case ETypeKind::Class:
    case ETypeKind::Nil:
        return TRunValue::nil();
    default:
        return {};
    }
}

std::int64_t narrowInteger(const TScriptType *t, std::int64_t v)
{
    if (!t || t->kind != ETypeKind::Integer || t->bits >= 64)
        return v;
    const std::uint64_t mask = (std::uint64_t(1) << t->bits) - 1;
    std::uint64_t u = std::uint64_t(v) & mask;
    if (t->isSigned && (u >> (t->bits - 1)) & 1)
        u |= ~mask;
    return std::int64_t(u);
}

} // namespace pscript
