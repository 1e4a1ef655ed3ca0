#include "DataMod.h"

TDataMod::TDataMod(QObject* parent) : QObject(parent) { setObjectName(QStringLiteral("DataMod")); }
