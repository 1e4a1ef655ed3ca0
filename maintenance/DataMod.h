#pragma once
// The table-operations module: owns the connections and tables that whole-table commands use.
// It is created at start-up and lives until the program ends; its operations are still to come.
// Interface thread only.
#include <QObject>

class TDataMod : public QObject {
    Q_OBJECT
public:
    explicit TDataMod(QObject* parent = nullptr);
};
