#pragma once
#include "platform/OutlookKontakte.h"
#include <QList>
#include <optional>
#include <utility>

// An Outlook in memory, for tests: its contacts, and failures where a test wants them.
class OutlookKontakteFake final : public IOutlookKontakte {
public:
    QList<OutlookKontakt> kontakte;

    void FehlerBeimStart(const QString& grund) { m_startFehler = grund; }
    void FehlerBeiNamespace(const QString& grund) { m_namespaceFehler = grund; }
    void FehlerBeiOrdner(const QString& grund) { m_ordnerFehler = grund; }
    // Item(i) fails.
    void FehlerBeiItem(int i, const QString& grund) { m_itemFehler = {i, grund}; }
    // Reading property `e` of item i fails.
    void FehlerBeiEigenschaft(int i, OutlookEigenschaft e, const QString& grund) { m_eigenschaftFehler = {i, {e, grund}}; }

    bool Gestartet() const { return m_gestartet; }

    void Start(const OutlookDateiWahl& wahl) override;
    void GetNamespace(const QString& name) override;
    void GetDefaultFolder(int ordner) override;
    int ItemsCount() override;
    OutlookKontakt Item(int i) override;

private:
    std::optional<QString> m_startFehler;
    std::optional<QString> m_namespaceFehler;
    std::optional<QString> m_ordnerFehler;
    std::optional<std::pair<int, QString>> m_itemFehler;
    std::optional<std::pair<int, std::pair<OutlookEigenschaft, QString>>> m_eigenschaftFehler;
    bool m_gestartet = false;
    bool m_namespace = false;
    bool m_ordner = false;
};
