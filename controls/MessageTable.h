#pragma once
// A window's message table: message N is entry N of Strings, counted from 0. Texts may hold a
// "%1" placeholder for the caller to fill. Interface thread only; reading past the end gives an
// empty text.
#include <QStringList>

class TStringHolder {
public:
    explicit TStringHolder(QStringList strings) : Strings(std::move(strings)) {}

    QString message(int n) const { return Strings.value(n); }

    QStringList Strings;
};
