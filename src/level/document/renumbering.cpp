#include "level/document/renumbering.h"

#include "level/core/messages.h"

namespace tavrin {

int ScreenRenumbering::after(int n) const {
    if (n < 0 || n > last)
        return n;
    switch (kind) {
    case Delete:
        return n == from ? -1 : n > from ? n - 1 : n;
    case Swap:
        return n == from ? to : n == to ? from : n;
    case Move:
        if (n == from)
            return to;
        if (from < to && n > from && n <= to)
            return n - 1;
        if (to < from && n >= to && n < from)
            return n + 1;
        return n;
    }
    return n;
}

int ScreenRenumbering::before(int n) const {
    if (n < 0 || n > lastAfter())
        return n;
    switch (kind) {
    case Delete:
        return n >= from ? n + 1 : n;
    case Swap:
        return after(n);
    case Move:
        return moving(to, from, last).after(n);
    }
    return n;
}

std::optional<QString> ScreenRenumbering::refusal() const {
    const auto outside = [this](int n) { return n < 0 || n > last; };
    if (kind == Delete && last <= 0)
        return Text(Msg::KeepOneScreen).arg(from);
    if (outside(from))
        return Text(Msg::NotOneOfTheScreens).arg(from).arg(last);
    if (kind != Delete && outside(to))
        return Text(Msg::NotOneOfTheScreens).arg(to).arg(last);
    return std::nullopt;
}

SideLinks ScreenRenumbering::linksAfter(const SideLinks& links) const {
    SideLinks result = links;
    for (int k = 2; k <= 9; ++k)
        result[size_t(k)] = Integer(after(links[size_t(k)]));
    return result;
}

SideLinks ScreenRenumbering::linksBefore(const SideLinks& links) const {
    SideLinks result = links;
    for (int k = 2; k <= 9; ++k)
        result[size_t(k)] = Integer(before(links[size_t(k)]));
    return result;
}

QString RenumberingName(const ScreenRenumbering& renumbering) {
    switch (renumbering.kind) {
    case ScreenRenumbering::Delete:
        return QStringLiteral("Delete Screen");
    case ScreenRenumbering::Swap:
        return QStringLiteral("Swap Screens");
    case ScreenRenumbering::Move:
        break;
    }
    return QStringLiteral("Move Screen");
}

} // namespace tavrin
