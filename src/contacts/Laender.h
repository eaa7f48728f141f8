#pragma once
#include <QStringList>

// The country names offered by the contact editor's two country combos (German, alphabetical
// with umlauts sorted as their base vowel).
const QStringList& LaenderListe();
