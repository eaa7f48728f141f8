#pragma once
#include "exchange/ImportDatenForm.h"

// The import from the edition Zenit (its InterBase database, alias "Vornix_NET").
class TImportDatenZenitForm : public TImportDatenForm {
    Q_OBJECT
public:
    static TAltEdition Edition();
    explicit TImportDatenZenitForm(const QString& aliasDatei, QWidget* parent = nullptr);
};
