#pragma once
// The main window's own name texts, shared by the files its definitions are split into.
#include <QString>

inline const QString SProductName = QStringLiteral("Corvalite");
inline const QString SGenerator = QStringLiteral("Corvalite v3.63");
