#pragma once
#include "exchange/ImportDatenForm.h"

// The import from the edition Kompakt (its Paradox tables, alias "Vornix").
class TImportDatenKompaktForm : public TImportDatenForm {
    Q_OBJECT
public:
    static TAltEdition Edition();
    explicit TImportDatenKompaktForm(const QString& aliasDatei, QWidget* parent = nullptr);
};
