#include "contacts/KontaktDaten.h"
#include "foundation/Clock.h"
#include "foundation/DatenModul.h"
#include "foundation/Global.h"
#include "foundation/WaitCursor.h"
#include <QSet>
#include <QVarLengthArray>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <exception>
#include <iterator>
#include <map>

namespace TKontaktDaten {

namespace {
QString text(const QSqlQuery& q, int i) { return TDatenModul::TextValue(q.value(i)); }

// A statement read once from start to end: forward only, so the driver keeps no copy of the rows.
QSqlQuery vorwaerts(const QString& sql, const QVariantMap& binds = {})
{
    QSqlQuery q = DatenModul->Query();
    q.setForwardOnly(true);
    TDatenModul::Prepare(q, sql);
    for (auto it = binds.cbegin(); it != binds.cend(); ++it)
        q.bindValue(QLatin1Char(':') + it.key(), it.value());
    TDatenModul::Exec(q);
    return q;
}

// Statements with many integer ids: the ids go into the text (they are integers), in chunks
// below Firebird's limit for IN lists.
constexpr int kInChunk = 1000;

QString idList(const QVector<int>& ids, int from, int to)
{
    QString s;
    s.reserve((to - from) * 8);
    for (int i = from; i < to; ++i) {
        if (i > from)
            s += QLatin1Char(',');
        s += QString::number(ids[i]);
    }
    return s;
}

// Columns 2 to 25 of a contact statement: first name to the company's web page.
void readKontaktFrom2(const QSqlQuery& q, TKontakt& k)
{
    k.vorname = text(q, 2);
    k.nachname = text(q, 3);
    k.firma = text(q, 4);
    k.geburtsdatum = q.value(5).isNull() ? QDate() : q.value(5).toDate();
    k.kdnr = text(q, 6);
    k.mobil = text(q, 7);
    k.mobilSend = q.value(8).toInt();
    k.mobilLastSend = q.value(9).isNull() ? QDateTime() : q.value(9).toDateTime();
    k.email = text(q, 10);
    k.emailSend = q.value(11).toInt();
    k.pStrasse = text(q, 12);
    k.pPlz = text(q, 13);
    k.pOrt = text(q, 14);
    k.pLand = text(q, 15);
    k.pTelefon = text(q, 16);
    k.pTelefax = text(q, 17);
    k.pWebseite = text(q, 18);
    k.fStrasse = text(q, 19);
    k.fPlz = text(q, 20);
    k.fOrt = text(q, 21);
    k.fLand = text(q, 22);
    k.fTelefon = text(q, 23);
    k.fTelefax = text(q, 24);
    k.fWebseite = text(q, 25);
}

const char* const kInsertZuordnung = "INSERT INTO KATZUORD (kontakt,kategorie) VALUES (:kontaktid,:kategorieid)";

TKontaktEmpfaenger empfaenger(const QSqlQuery& q, int first, int id)
{
    TKontaktEmpfaenger e;
    e.id = id;
    e.geschlechtId = q.value(first + 0).toInt();
    e.vorname = text(q, first + 1);
    e.nachname = text(q, first + 2);
    e.firma = text(q, first + 3);
    e.geburtsdatum = q.value(first + 4);
    e.mobil = text(q, first + 5);
    e.mobilSend = q.value(first + 6).toInt();
    e.mobilLastSend = q.value(first + 7);
    return e;
}

// The row of each id that has one, read by `read(query, first column, id)` from the columns
// `spalten` of kontakte and handed on in the order of the ids (a repeated id repeated). A few
// ids: one prepared statement per id; many (the picker hands up to every contact): one pass
// over the table, the rows found by a slot per id (the ids are dense keys), each row let go
// once its last turn has come.
template <class Row, class Read>
void jeKontaktInIdFolge(const QVector<int>& ids, const QString& spalten, Read read,
                        const std::function<void(const Row&)>& found)
{
    constexpr int kEinzelnBis = 2000;
    QSqlQuery q = DatenModul->Query();
    if (ids.size() > kEinzelnBis) {
        const auto [lo, hi] = std::minmax_element(ids.begin(), ids.end());
        const qint64 spanne = qint64(*hi) - *lo + 1;
        if (spanne <= qint64(ids.size()) * 8 + 1000000) {
            // turns[id - lo]: the id's remaining occurrences; slot: its row, -1 while unread.
            std::vector<int> turns(size_t(spanne), 0), slot(size_t(spanne), -1);
            for (int id : ids)
                ++turns[size_t(id - *lo)];
            std::vector<Row> rows;
            rows.reserve(size_t(std::min<qint64>(spanne, ids.size())));   // no copies while it grows
            q.setForwardOnly(true);
            TDatenModul::Prepare(q, QStringLiteral("SELECT id, ") + spalten + QStringLiteral(" FROM kontakte"));
            TDatenModul::Exec(q);
            while (q.next()) {
                const int id = q.value(0).toInt();
                const size_t i = size_t(qint64(id) - *lo);
                if (i < size_t(spanne) && turns[i] > 0 && slot[i] < 0) {
                    slot[i] = int(rows.size());
                    rows.push_back(read(q, 1, id));
                }
            }
            q.finish();
            for (int id : ids) {
                const size_t i = size_t(id - *lo);
                if (slot[i] < 0)
                    continue;
                found(rows[size_t(slot[i])]);
                if (--turns[i] == 0)
                    rows[size_t(slot[i])] = Row();
            }
            return;
        }
        const QSet<int> wanted(ids.begin(), ids.end());
        QHash<int, Row> rows;
        rows.reserve(wanted.size());
        q.setForwardOnly(true);
        TDatenModul::Prepare(q, QStringLiteral("SELECT id, ") + spalten + QStringLiteral(" FROM kontakte"));
        TDatenModul::Exec(q);
        while (q.next()) {
            const int id = q.value(0).toInt();
            if (wanted.contains(id))
                rows.insert(id, read(q, 1, id));
        }
        for (int id : ids) {
            const auto it = rows.constFind(id);
            if (it != rows.constEnd())
                found(*it);
        }
        return;
    }
    TDatenModul::Prepare(q, QStringLiteral("SELECT ") + spalten + QStringLiteral(" FROM kontakte WHERE id=:id"));
    for (int id : ids) {
        q.bindValue(QStringLiteral(":id"), id);
        TDatenModul::Exec(q);
        if (q.next())
            found(read(q, 0, id));
        q.finish();
    }
}
} // namespace

TKontaktSuche Suchbedingung(const QString& prefix, const QString& suchtext)
{
    // Bound as a parameter: a quote, a NUL or a long text never reaches the statement's text.
    // The cast gives the engine the parameter's type inside UPPER.
    const QString like = QStringLiteral(") LIKE UPPER(CAST(:suche AS VARCHAR(1000)))) ");
    TKontaktSuche s;
    s.sql = QStringLiteral("( (UPPER(") + prefix + QStringLiteral("vorname") + like
        + QStringLiteral("OR (UPPER(") + prefix + QStringLiteral("nachname") + like
        + QStringLiteral("OR (UPPER(") + prefix + QStringLiteral("firma") + like
        + QStringLiteral("OR (UPPER(") + prefix + QStringLiteral("mobil") + like
        + QStringLiteral("OR (UPPER(") + prefix + QStringLiteral("email") + like + QStringLiteral(") ");
    s.binds.insert(QStringLiteral("suche"),
                   QStringLiteral("%") + suchtext.left(kSuchtextLaenge) + QStringLiteral("%"));
    return s;
}

namespace {
// The counts' tables and triggers, as db/vornix2.sql defines them, for a database made before them.
const char* const kAnzahlTabellen[][2] = {
    {"KATEGORIE_ANZAHL", "CREATE TABLE kategorie_anzahl (kategorie INTEGER NOT NULL PRIMARY KEY, "
                         "anzahl INTEGER NOT NULL)"},
    {"KONTAKTE_ANZAHL", "CREATE TABLE kontakte_anzahl (anzahl INTEGER NOT NULL)"},
};
const char* const kAnzahlTrigger[][2] = {
    {"KATZUORD_ANZAHL",
     "CREATE TRIGGER katzuord_anzahl FOR katzuord AFTER INSERT OR UPDATE OR DELETE AS\n"
     "BEGIN\n"
     "  IF (UPDATING AND NEW.kontakt IS NOT DISTINCT FROM OLD.kontakt\n"
     "      AND NEW.kategorie IS NOT DISTINCT FROM OLD.kategorie) THEN\n"
     "    EXIT;\n"
     "  IF (NOT INSERTING AND OLD.kategorie IS NOT NULL\n"
     "      AND EXISTS (SELECT 1 FROM kontakte WHERE id = OLD.kontakt)) THEN\n"
     "    UPDATE kategorie_anzahl SET anzahl = anzahl - 1 WHERE kategorie = OLD.kategorie;\n"
     "  IF (NOT DELETING AND NEW.kategorie IS NOT NULL\n"
     "      AND EXISTS (SELECT 1 FROM kontakte WHERE id = NEW.kontakt)) THEN\n"
     "  BEGIN\n"
     "    UPDATE kategorie_anzahl SET anzahl = anzahl + 1 WHERE kategorie = NEW.kategorie;\n"
     "    IF (ROW_COUNT = 0) THEN\n"
     "      INSERT INTO kategorie_anzahl (kategorie, anzahl) VALUES (NEW.kategorie, 1);\n"
     "  END\n"
     "END"},
    {"KONTAKTE_ANZAHL_NEU",
     "CREATE TRIGGER kontakte_anzahl_neu FOR kontakte AFTER INSERT AS\n"
     "  DECLARE k INTEGER;\n"
     "  DECLARE n INTEGER;\n"
     "BEGIN\n"
     "  UPDATE kontakte_anzahl SET anzahl = anzahl + 1;\n"
     "  FOR SELECT kategorie, COUNT(*) FROM katzuord WHERE kontakt = NEW.id AND kategorie IS NOT NULL\n"
     "      GROUP BY kategorie INTO :k, :n DO\n"
     "  BEGIN\n"
     "    UPDATE kategorie_anzahl SET anzahl = anzahl + :n WHERE kategorie = :k;\n"
     "    IF (ROW_COUNT = 0) THEN\n"
     "      INSERT INTO kategorie_anzahl (kategorie, anzahl) VALUES (:k, :n);\n"
     "  END\n"
     "END"},
    {"KONTAKTE_ANZAHL_WEG",
     "CREATE TRIGGER kontakte_anzahl_weg FOR kontakte AFTER DELETE AS\n"
     "  DECLARE k INTEGER;\n"
     "  DECLARE n INTEGER;\n"
     "BEGIN\n"
     "  UPDATE kontakte_anzahl SET anzahl = anzahl - 1;\n"
     "  FOR SELECT kategorie, COUNT(*) FROM katzuord WHERE kontakt = OLD.id AND kategorie IS NOT NULL\n"
     "      GROUP BY kategorie INTO :k, :n DO\n"
     "    UPDATE kategorie_anzahl SET anzahl = anzahl - :n WHERE kategorie = :k;\n"
     "END"},
};

QString namensListe(const char* const (*objekte)[2], int n)
{
    QStringList names;
    for (int i = 0; i < n; ++i)
        names << QLatin1Char('\'') + QLatin1String(objekte[i][0]) + QLatin1Char('\'');
    return names.join(QLatin1Char(','));
}

// The counts' triggers that exist, by name, with whether each is switched on.
QHash<QString, bool> vorhandeneTrigger()
{
    QHash<QString, bool> names;
    QSqlQuery q = DatenModul->Run(QStringLiteral("SELECT TRIM(RDB$TRIGGER_NAME), COALESCE(RDB$TRIGGER_INACTIVE, 0) "
                                                 "FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME IN (")
                                  + namensListe(kAnzahlTrigger, std::size(kAnzahlTrigger)) + QLatin1Char(')'));
    while (q.next())
        names.insert(text(q, 0), q.value(1).toInt() == 0);
    return names;
}

// True when the triggers keep the counts: a database whose start could not add them, or whose
// large import has them off, is counted by the statements.
bool anzahlenGefuehrt()
{
    const QHash<QString, bool> t = vorhandeneTrigger();
    return t.size() == int(std::size(kAnzahlTrigger)) && !t.values().contains(false);
}

// The counting statements behind the tables (a hash join: the engine's index walk over the
// assignments fetches every contact in random order).
const char* const kZaehleGruppen =
    "SELECT t2.kategorie, COUNT(*) FROM kontakte t1, katzuord t2 WHERE t1.id + 0 = t2.kontakt + 0 "
    "AND t2.kategorie IS NOT NULL GROUP BY t2.kategorie";

// The counts from the tables, in the open transaction.
void zaehleNeu()
{
    DatenModul->Run(QStringLiteral("DELETE FROM kategorie_anzahl"));
    DatenModul->Run(QStringLiteral("DELETE FROM kontakte_anzahl"));
    DatenModul->Run(QStringLiteral("INSERT INTO kontakte_anzahl (anzahl) SELECT COUNT(*) FROM kontakte"));
    DatenModul->Run(QStringLiteral("INSERT INTO kategorie_anzahl (kategorie, anzahl) ") + QLatin1String(kZaehleGruppen));
}

// The counts' triggers switched, as one unit.
void schalteZaehler(bool an, bool neuZaehlen)
{
    DatenModul->ReleaseReadDatabase();
    DatenModul->Unit([&] {
        if (neuZaehlen)
            zaehleNeu();   // committed with the switch
        for (const auto& t : kAnzahlTrigger)
            DatenModul->Run(QStringLiteral("ALTER TRIGGER ") + QLatin1String(t[0])
                            + (an ? QStringLiteral(" ACTIVE") : QStringLiteral(" INACTIVE")));
    });
}
} // namespace

bool SichereKontaktAnzahlen()
{
    try {
        if (anzahlenGefuehrt())
            return true;
        DatenModul->ReleaseReadDatabase();
        QSet<QString> tabellen;
        {
            QSqlQuery q = DatenModul->Run(QStringLiteral("SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS WHERE "
                                                         "RDB$RELATION_NAME IN (")
                                          + namensListe(kAnzahlTabellen, std::size(kAnzahlTabellen)) + QLatin1Char(')'));
            while (q.next())
                tabellen.insert(text(q, 0));
        }
        const QHash<QString, bool> trigger = vorhandeneTrigger();
        DatenModul->Unit([&] {
            for (const auto& t : kAnzahlTabellen)
                if (!tabellen.contains(QLatin1String(t[0])))
                    DatenModul->Run(QLatin1String(t[1]));
            // Left by a start that did not end: made anew below with the counts.
            for (const auto& t : kAnzahlTrigger)
                if (trigger.contains(QLatin1String(t[0])))
                    DatenModul->Run(QStringLiteral("DROP TRIGGER ") + QLatin1String(t[0]));
        });
        // The counts and the triggers that keep them from here on commit together.
        DatenModul->Unit([&] {
            zaehleNeu();
            for (const auto& t : kAnzahlTrigger) {
                // Run as it stands: a prepared text would take the body's variables for parameters.
                QSqlQuery q = DatenModul->Query();
                if (!q.exec(QLatin1String(t[1])))
                    throw DbError(q.lastError().databaseText().trimmed().isEmpty() ? q.lastError().text()
                                                                                   : q.lastError().databaseText().trimmed());
            }
        });
        return anzahlenGefuehrt();
    } catch (const DbError& e) {
        qWarning("%s", qPrintable(e.Text()));
        return false;
    }
}

int KontaktAnzahl(int kategorieId)
{
    QSqlQuery q;
    if (anzahlenGefuehrt()) {
        q = kategorieId == 0
            ? DatenModul->Run(QStringLiteral("SELECT anzahl FROM kontakte_anzahl"))
            : DatenModul->Run(QStringLiteral("SELECT anzahl FROM kategorie_anzahl WHERE kategorie=:katid"),
                              {{QStringLiteral("katid"), kategorieId}});
    } else {
        q = kategorieId == 0
            ? DatenModul->Run(QStringLiteral("SELECT COUNT(id) AS C FROM kontakte"))
            : DatenModul->Run(QStringLiteral("SELECT COUNT(t1.id) AS c FROM kontakte t1,katzuord t2 "
                                             "WHERE t1.id+0=t2.kontakt+0 AND t2.kategorie=:katid"),
                              {{QStringLiteral("katid"), kategorieId}});
    }
    return q.next() ? q.value(0).toInt() : 0;
}

QHash<int, int> KontaktAnzahlen()
{
    QHash<int, int> counts;
    QSqlQuery q = DatenModul->Run(anzahlenGefuehrt()
                                      ? QStringLiteral("SELECT kategorie, anzahl FROM kategorie_anzahl")
                                      : QLatin1String(kZaehleGruppen));
    while (q.next())
        counts.insert(q.value(0).toInt(), q.value(1).toInt());
    return counts;
}

bool LadeKontakt(int kontaktId, TKontakt& k)
{
    // Outer join: a contact whose salutation is missing still shows.
    QSqlQuery q = DatenModul->Run(QStringLiteral(
        "SELECT t1.geschlecht,t2.bezeichnung,t1.vorname,t1.nachname,t1.firma,t1.geburtsdatum,t1.kdnr,"
        "t1.mobil,t1.mobil_send,t1.mobil_lastsend,t1.email,t1.email_send,t1.p_strasse,t1.p_plz,t1.p_ort,"
        "t1.p_land,t1.p_telefon,t1.p_telefax,t1.p_webseite,t1.f_strasse,t1.f_plz,t1.f_ort,t1.f_land,"
        "t1.f_telefon,t1.f_telefax,t1.f_webseite "
        "FROM kontakte t1 LEFT JOIN geschlecht t2 ON t1.geschlecht=t2.id WHERE t1.id=:id"),
        {{QStringLiteral("id"), kontaktId}});
    if (!q.next())
        return false;
    k = TKontakt();
    k.geschlechtId = q.value(0).toInt();
    k.geschlecht = text(q, 1);
    readKontaktFrom2(q, k);
    return true;
}

void SpeichereKontakt(int& kontaktId, const TKontakt& k, const QVector<int>& kategorieIds)
{
    if (kontaktId < 0) {
        kontaktId = DatenModul->GetNewKontakteId();
        DatenModul->Run(QStringLiteral("INSERT INTO kontakte (id) VALUES (:id)"), {{QStringLiteral("id"), kontaktId}});
    }
    const bool hasDate = k.geburtsdatum.isValid();
    QString sql = QStringLiteral(
        "UPDATE kontakte SET geschlecht=:geschlechtid,vorname=:vorname,nachname=:nachname, "
        "firma=:firma, kdnr=:kdnr, mobil=:mobil, mobil_send=:mobil_send, email=:email, "
        "email_send=:email_send, p_strasse=:p_strasse, p_plz=:p_plz, p_ort=:p_ort, "
        "p_land=:p_land, p_telefon=:p_telefon, p_telefax=:p_telefax, p_webseite=:p_webseite, "
        "f_strasse=:f_strasse, f_plz=:f_plz, f_ort=:f_ort, f_land=:f_land,f_telefon=:f_telefon, "
        "f_telefax=:f_telefax, f_webseite=:f_webseite, ");
    sql += hasDate ? QStringLiteral("geburtsdatum=:geburtsdatum ") : QStringLiteral("geburtsdatum=null ");
    sql += QStringLiteral("WHERE id=:id");
    auto t = [](const QString& s) { return TDatenModul::Text(s); };
    QVariantMap binds{
        {QStringLiteral("geschlechtid"), k.geschlechtId},
        {QStringLiteral("vorname"), t(k.vorname)},
        {QStringLiteral("nachname"), t(k.nachname)},
        {QStringLiteral("firma"), t(k.firma)},
        {QStringLiteral("kdnr"), t(k.kdnr)},
        {QStringLiteral("mobil"), t(k.mobil)},
        {QStringLiteral("mobil_send"), k.mobilSend},
        {QStringLiteral("email"), t(k.email)},
        {QStringLiteral("email_send"), k.emailSend},
        {QStringLiteral("p_strasse"), t(k.pStrasse)},
        {QStringLiteral("p_plz"), t(k.pPlz)},
        {QStringLiteral("p_ort"), t(k.pOrt)},
        {QStringLiteral("p_land"), t(k.pLand)},
        {QStringLiteral("p_telefon"), t(k.pTelefon)},
        {QStringLiteral("p_telefax"), t(k.pTelefax)},
        {QStringLiteral("p_webseite"), t(k.pWebseite)},
        {QStringLiteral("f_strasse"), t(k.fStrasse)},
        {QStringLiteral("f_plz"), t(k.fPlz)},
        {QStringLiteral("f_ort"), t(k.fOrt)},
        {QStringLiteral("f_land"), t(k.fLand)},
        {QStringLiteral("f_telefon"), t(k.fTelefon)},
        {QStringLiteral("f_telefax"), t(k.fTelefax)},
        {QStringLiteral("f_webseite"), t(k.fWebseite)},
        {QStringLiteral("id"), kontaktId}};
    if (hasDate)
        binds.insert(QStringLiteral("geburtsdatum"), k.geburtsdatum);
    DatenModul->Run(sql, binds);
    DatenModul->Run(QStringLiteral("DELETE FROM KATZUORD WHERE kontakt=:kontaktid"),
                    {{QStringLiteral("kontaktid"), kontaktId}});
    QSqlQuery insert = DatenModul->Query();
    TDatenModul::Prepare(insert, QLatin1String(kInsertZuordnung));
    for (int id : kategorieIds) {
        insert.bindValue(QStringLiteral(":kontaktid"), kontaktId);
        insert.bindValue(QStringLiteral(":kategorieid"), id);
        TDatenModul::Exec(insert);
    }
}

QVector<int> KontaktKategorieIds(int kontaktId)
{
    QSqlQuery q = DatenModul->Run(QStringLiteral("SELECT kategorie FROM katzuord WHERE kontakt=:kontaktid"),
                                  {{QStringLiteral("kontaktid"), kontaktId}});
    QVector<int> ids;
    while (q.next())
        ids.append(q.value(0).toInt());
    return ids;
}

QStringList KontaktKategorieNamen(int kontaktId)
{
    QStringList names;
    QSqlQuery q = DatenModul->Run(QStringLiteral(
        "SELECT t2.name FROM katzuord t1,kategorien t2 WHERE t1.kontakt=:kontaktid AND t1.kategorie=t2.id "
        "ORDER BY t2.name ASC"), {{QStringLiteral("kontaktid"), kontaktId}});
    while (q.next())
        names.append(text(q, 0));
    return names;
}

void KontakteFuerExport(int kategorieId, const std::function<void(int id, const TKontakt&)>& row)
{
    // Forward only: the rows are not kept while the file is written.
    QSqlQuery q = DatenModul->Query();
    q.setForwardOnly(true);
    if (kategorieId == 0) {
        TDatenModul::Prepare(q, QStringLiteral(
            "SELECT id,geschlecht,vorname,nachname,firma,geburtsdatum,kdnr,"
            "mobil,mobil_send,mobil_lastsend,email,email_send,p_strasse,"
            "p_plz,p_ort,p_land,p_telefon,p_telefax,p_webseite,f_strasse,"
            "f_plz,f_ort,f_land,f_telefon,f_telefax,f_webseite FROM kontakte "
            "ORDER BY id ASC"));
    } else {
        TDatenModul::Prepare(q, QStringLiteral(
            "SELECT t1.id,t1.geschlecht,t1.vorname,t1.nachname,t1.firma,t1.geburtsdatum,t1.kdnr,"
            "t1.mobil,t1.mobil_send,t1.mobil_lastsend,t1.email,t1.email_send,t1.p_strasse,"
            "t1.p_plz,t1.p_ort,t1.p_land,t1.p_telefon,t1.p_telefax,t1.p_webseite,t1.f_strasse,"
            "t1.f_plz,t1.f_ort,t1.f_land,t1.f_telefon,t1.f_telefax,t1.f_webseite FROM kontakte t1,"
            "katzuord t2 WHERE t1.id=t2.kontakt AND t2.kategorie=:katid ORDER BY t1.id ASC"));
        q.bindValue(QStringLiteral(":katid"), kategorieId);
    }
    TDatenModul::Exec(q);
    TKontakt k;
    while (q.next()) {
        k.geschlechtId = q.value(1).toInt();
        readKontaktFrom2(q, k);
        row(q.value(0).toInt(), k);
    }
}

QHash<int, QString> KategorieNamenAllerKontakte()
{
    // Ordered by contact, then name: each contact's names arrive together and in order.
    QSqlQuery q = vorwaerts(QStringLiteral(
        "SELECT t1.kontakt,t2.name FROM katzuord t1,kategorien t2 WHERE t1.kategorie=t2.id "
        "ORDER BY t1.kontakt ASC,t2.name ASC"));
    QHash<int, QString> namen;
    int last = 0;
    QString* current = nullptr;
    while (q.next()) {
        const int id = q.value(0).toInt();
        if (!current || id != last) {
            current = &namen[id];
            last = id;
        } else {
            *current += QStringLiteral(", ");
        }
        *current += text(q, 1);
    }
    return namen;
}

bool EinzigerKontaktMitMobil(const QString& mobil, TKontaktName& kontakt)
{
    QSqlQuery q = DatenModul->Run(
        QStringLiteral("SELECT id,vorname, nachname, firma FROM kontakte WHERE mobil=:mobil"),
        {{QStringLiteral("mobil"), TDatenModul::Text(mobil)}});
    if (!q.next())
        return false;
    const TKontaktName first{q.value(0).toInt(), text(q, 1), text(q, 2), text(q, 3)};
    if (q.next())
        return false;
    kontakt = first;
    return true;
}

void EmpfaengerByIds(const QList<int>& ids, const std::function<void(const TKontaktEmpfaenger&)>& found)
{
    jeKontaktInIdFolge<TKontaktEmpfaenger>(
        ids, QStringLiteral("geschlecht, vorname, nachname, firma, geburtsdatum, mobil, mobil_send, mobil_lastsend"),
        [](const QSqlQuery& q, int first, int id) { return empfaenger(q, first, id); }, found);
}

void EmpfaengerJeIdEinmal(const QList<int>& ids, const std::function<void(const TKontaktEmpfaenger&)>& found)
{
    if (ids.isEmpty())
        return;
    // The wanted ids as bits over their span when dense (the ids are keys from one sequence),
    // else as a set.
    const auto [lo, hi] = std::minmax_element(ids.begin(), ids.end());
    const qint64 spanne = qint64(*hi) - *lo + 1;
    const bool dicht = spanne <= qint64(ids.size()) * 8 + 1000000;
    std::vector<bool> bits;
    QSet<int> menge;
    if (dicht) {
        bits.assign(size_t(spanne), false);
        for (int id : ids)
            bits[size_t(id - *lo)] = true;
    } else {
        menge = QSet<int>(ids.begin(), ids.end());
    }
    QSqlQuery q = vorwaerts(QStringLiteral(
        "SELECT id, geschlecht, vorname, nachname, firma, geburtsdatum, mobil, mobil_send, mobil_lastsend FROM kontakte"));
    while (q.next()) {
        const int id = q.value(0).toInt();
        bool gesucht;
        if (dicht) {
            const qint64 i = qint64(id) - *lo;
            gesucht = i >= 0 && i < spanne && bits[size_t(i)];
            if (gesucht)
                bits[size_t(i)] = false;   // once, should the table ever give an id twice
        } else {
            gesucht = menge.remove(id);
        }
        if (gesucht)
            found(empfaenger(q, 1, id));
    }
}

int EmpfaengerByKategorie(int kategorieId, const std::function<void(const TKontaktEmpfaenger&)>& found)
{
    QSqlQuery q = DatenModul->Query();
    q.setForwardOnly(true);
    if (kategorieId == 0) {
        TDatenModul::Prepare(q, QStringLiteral(
            "SELECT id, geschlecht, vorname, nachname, firma, geburtsdatum, mobil, mobil_send, mobil_lastsend "
            "FROM kontakte ORDER BY vorname ASC"));
    } else {
        TDatenModul::Prepare(q, QStringLiteral(
            "SELECT t2.id, t2.geschlecht, t2.vorname, t2.nachname, t2.firma, t2.geburtsdatum, t2.mobil, "
            "t2.mobil_send, t2.mobil_lastsend FROM katzuord t1, kontakte t2 "
            "WHERE t1.kategorie=:kategorieid AND t1.kontakt=t2.id ORDER BY t2.vorname ASC"));
        q.bindValue(QStringLiteral(":kategorieid"), kategorieId);
    }
    TDatenModul::Exec(q);
    int rows = 0;
    while (q.next()) {
        ++rows;
        found(empfaenger(q, 1, q.value(0).toInt()));
    }
    return rows;
}

void SetzeMobilLastSend(const QVector<int>& kontaktIds)
{
    // The same update per id, up to kBlock of them in one execute of a block prepared once (the
    // driver's cost per execute is several times the engine's per row); each block stamps the
    // time of its execute. The block's unused places get NULL, which matches no row.
    constexpr int kBlock = 100;   // the engine allows 255 table contexts per statement
    const int n = kontaktIds.size();
    const int block = qBound(1, n, kBlock);
    DatenModul->Unit([&] {
        if (n == 0)
            return;
        QString sql = QStringLiteral("EXECUTE BLOCK (\"T\" TIMESTAMP = ?");
        for (int i = 0; i < block; ++i)
            sql += QStringLiteral(", \"I%1\" INTEGER = ?").arg(i);
        sql += QStringLiteral(") AS BEGIN ");
        for (int i = 0; i < block; ++i)
            sql += QStringLiteral("UPDATE kontakte SET mobil_lastsend = :\"T\" WHERE id = :\"I%1\"; ").arg(i);
        sql += QStringLiteral("END");
        QSqlQuery q = DatenModul->Query();
        TDatenModul::Prepare(q, sql);
        const QVariant none{QMetaType::fromType<int>()};
        for (int from = 0; from < n; from += block) {
            q.bindValue(0, Clock::Now());
            for (int i = 0; i < block; ++i)
                q.bindValue(1 + i, from + i < n ? QVariant(kontaktIds[from + i]) : none);
            TDatenModul::Exec(q);
        }
    });
}

QVector<std::pair<int, QString>> Anreden()
{
    QVector<std::pair<int, QString>> anreden;
    QSqlQuery q = DatenModul->Run(QStringLiteral("SELECT id,bezeichnung FROM geschlecht ORDER BY reihenfolge ASC"));
    while (q.next())
        anreden.append({q.value(0).toInt(), TDatenModul::TextValue(q.value(1))});
    return anreden;
}

QSqlQuery KontaktProtokoll(const QString& mobil)
{
    return DatenModul->Run(QStringLiteral("SELECT istzeitpunkt,dnr,content,typ,statusid FROM protokoll "
                                          "WHERE dnr=:dnr ORDER BY istzeitpunkt DESC"),
                           {{QStringLiteral("dnr"), mobil}});
}

QVector<TKategorie> Kategorien()
{
    QSqlQuery q = DatenModul->Run(QStringLiteral("SELECT id,name FROM kategorien ORDER BY name ASC"));
    QVector<TKategorie> list;
    while (q.next())
        list.append({q.value(0).toInt(), text(q, 1)});
    return list;
}

bool LadeKategorie(int kategorieId, QString& name)
{
    QSqlQuery q = DatenModul->Run(QStringLiteral("SELECT name FROM kategorien WHERE id=:kategorieid"),
                                  {{QStringLiteral("kategorieid"), kategorieId}});
    if (!q.next())
        return false;
    name = text(q, 0);
    return true;
}

void SpeichereKategorie(int& kategorieId, const QString& name)
{
    if (kategorieId < 0) {
        kategorieId = DatenModul->GetNewKategorienId();
        DatenModul->Run(QStringLiteral("INSERT INTO kategorien (id) VALUES (:id)"),
                        {{QStringLiteral("id"), kategorieId}});
    }
    DatenModul->Run(QStringLiteral("UPDATE kategorien SET name=:name WHERE id=:id"),
                    {{QStringLiteral("name"), TDatenModul::Text(name)}, {QStringLiteral("id"), kategorieId}});
}

void DeleteKontakt(int kontaktId) { DeleteKontakte({kontaktId}); }

void DeleteKontakte(const QVector<int>& kontaktIds)
{
    if (kontaktIds.isEmpty())
        return;
    WaitCursor wait;
    // A contact listed twice is deleted once; the outcome is that of one delete per id.
    QVector<int> ids;
    ids.reserve(kontaktIds.size());
    QSet<int> seen;
    seen.reserve(kontaktIds.size());
    for (int id : kontaktIds)
        if (!seen.contains(id)) {
            seen.insert(id);
            ids.append(id);
        }
    const int chunks = (ids.size() + kInChunk - 1) / kInChunk;
    const int step = ProgressStep(chunks);
    DatenModul->Unit([&] {
        for (int c = 0; c < chunks; ++c) {
            const int from = c * kInChunk;
            const QString list = idList(ids, from, qMin<int>(ids.size(), from + kInChunk));
            DatenModul->Run(QStringLiteral("DELETE FROM katzuord WHERE kontakt IN (") + list + QLatin1Char(')'));
            DatenModul->Run(QStringLiteral("DELETE FROM kontakte WHERE id IN (") + list + QLatin1Char(')'));
            if (chunks > 1 && (c + 1) % step == 0) {
                StatusText::Set(QStringLiteral("Bitte warten... die Kontakte werden gelöscht (")
                                + QString::number(ProgressPercent(c + 1, chunks))
                                + QStringLiteral("% abgeschlossen)."));
                ProcessPendingEvents();
            }
        }
    });
    if (chunks > 1)
        StatusText::Set(QString());
}

void AddKategorieZuordnung(int kontaktId, int kategorieId)
{
    if (kontaktId <= 0 || kategorieId <= 0)
        return;
    WaitCursor wait;
    QSqlQuery q = DatenModul->Run(
        QStringLiteral("SELECT id FROM KATZUORD WHERE kontakt=:kontaktid AND kategorie=:kategorieid"),
        {{QStringLiteral("kontaktid"), kontaktId}, {QStringLiteral("kategorieid"), kategorieId}});
    if (q.next())
        return;
    DatenModul->Run(QLatin1String(kInsertZuordnung),
                    {{QStringLiteral("kontaktid"), kontaktId}, {QStringLiteral("kategorieid"), kategorieId}});
}

void AddKategorieZuordnungen(const QVector<int>& kontaktIds, int kategorieId)
{
    if (kategorieId <= 0 || kontaktIds.isEmpty())
        return;
    WaitCursor wait;
    QSet<int> members;
    {
        QSqlQuery q = DatenModul->Run(QStringLiteral("SELECT kontakt FROM KATZUORD WHERE kategorie=:kategorieid"),
                                      {{QStringLiteral("kategorieid"), kategorieId}});
        while (q.next())
            members.insert(q.value(0).toInt());
    }
    QSqlQuery insert = DatenModul->Query();
    TDatenModul::Prepare(insert, QLatin1String(kInsertZuordnung));
    for (int id : kontaktIds) {
        if (id <= 0 || members.contains(id))
            continue;
        insert.bindValue(QStringLiteral(":kontaktid"), id);
        insert.bindValue(QStringLiteral(":kategorieid"), kategorieId);
        TDatenModul::Exec(insert);
        members.insert(id);
    }
}

void DeleteKategorie(int kategorieId)
{
    WaitCursor wait;
    DatenModul->Unit([&] {
        DatenModul->Run(QStringLiteral("DELETE FROM katzuord WHERE kategorie=:kategorieid"),
                        {{QStringLiteral("kategorieid"), kategorieId}});
        DatenModul->Run(QStringLiteral("DELETE FROM kategorien WHERE id=:id"), {{QStringLiteral("id"), kategorieId}});
    });
}

void DeleteKategorieZuordnungen(int kategorieId)
{
    WaitCursor wait;
    DatenModul->Unit([&] {
        DatenModul->Run(QStringLiteral("DELETE FROM katzuord WHERE kategorie=:kategorieid"),
                        {{QStringLiteral("kategorieid"), kategorieId}});
    });
}

void DeleteKontakteOfKategorie(int kategorieId)
{
    WaitCursor wait;
    if (kategorieId == 0) {
        // Every contact: the same outcome as one delete per contact, in two statements.
        {
            QSqlQuery q = DatenModul->Run(QStringLiteral("SELECT FIRST 1 id FROM kontakte"));
            if (!q.next())
                return;
        }
        DatenModul->Unit([&] {
            DatenModul->Run(QStringLiteral("DELETE FROM katzuord WHERE kontakt IN (SELECT id FROM kontakte)"));
            DatenModul->Run(QStringLiteral("DELETE FROM kontakte"));
        });
        return;
    }
    QVector<int> ids;
    {
        QSqlQuery q = DatenModul->Run(QStringLiteral("SELECT kontakt FROM katzuord WHERE kategorie=:kategorieid"),
                                      {{QStringLiteral("kategorieid"), kategorieId}});
        while (q.next())
            ids.append(q.value(0).toInt());
    }
    if (ids.isEmpty())
        return;
    DeleteKontakte(ids);
}

namespace {
// The key expressions of the lists' orders, each with its index (db/vornix2.sql). Each text
// without its trailing blanks, then a blank and ASCII 1: this compares as the blank-padded
// columns do (a text ending in a character below blank sorts before the same text without it)
// and keeps the keys short, where padding every text to its width made the index several times
// larger and every insert and stamp slow. Only a text going on with blanks and then a character
// below blank sorts after, not before, the same text without them. The id makes the key unique.
// "letzte SMS": newest first (the time counted down in tenths of milliseconds), never sent
// last, then the names.
#define KD_T(c) "TRIM(TRAILING FROM " c ") || ' ' || ASCII_CHAR(1) || "
#define KD_ID "LPAD(id + 2147483648, 10, '0')"
const char* const kLastSendSchluessel =
    "COALESCE(LPAD(DATEDIFF(DAY FROM mobil_lastsend TO DATE '9999-12-31') * 864000000 + 863999999 - "
    "FLOOR(EXTRACT(HOUR FROM mobil_lastsend) * 36000000 + EXTRACT(MINUTE FROM mobil_lastsend) * 600000 + "
    "EXTRACT(SECOND FROM mobil_lastsend) * 10000), 18, '0'), '999999999999999999') || "
    KD_T("nachname") KD_T("vorname") KD_T("firma") KD_ID;
const char* const kEmailSchluessel = KD_T("email") KD_T("nachname") KD_T("vorname") KD_T("firma") KD_ID;
#undef KD_T
#undef KD_ID

struct ListenIndex {
    const char* name;
    QString ddl;
};

const QVector<ListenIndex>& listenIndizes()
{
    const auto computed = [](const char* name, const char* key) {
        return ListenIndex{name, QStringLiteral("CREATE INDEX ") + QLatin1String(name)
                                     + QStringLiteral(" ON kontakte COMPUTED BY (") + QLatin1String(key)
                                     + QLatin1Char(')')};
    };
    static const QVector<ListenIndex> list{
        {"IX_KONTAKTE_NACHNAME", QStringLiteral("CREATE INDEX ix_kontakte_nachname ON kontakte (nachname, vorname, firma, id)")},
        {"IX_KONTAKTE_VORNAME", QStringLiteral("CREATE INDEX ix_kontakte_vorname ON kontakte (vorname, nachname, firma, id)")},
        {"IX_KONTAKTE_FIRMA", QStringLiteral("CREATE INDEX ix_kontakte_firma ON kontakte (firma, nachname, vorname, id)")},
        {"IX_KONTAKTE_MOBIL_NV", QStringLiteral("CREATE INDEX ix_kontakte_mobil_nv ON kontakte (mobil, nachname, vorname, firma, id)")},
        computed("IX_KONTAKTE_LASTSEND_NV", kLastSendSchluessel),
        computed("IX_KONTAKTE_EMAIL_NV", kEmailSchluessel),
    };
    return list;
}

// The ORDER BY terms of a contacts-page order, the id last; "letzte SMS" and Email have one
// key expression each (mixed directions and NULLs; a compound key too long for an index).
QStringList ordnung(int sortIndex)
{
    const QString id = QStringLiteral("id");
    switch (sortIndex) {
    case 1: return {QStringLiteral("vorname"), QStringLiteral("nachname"), QStringLiteral("firma"), id};
    case 2: return {QStringLiteral("firma"), QStringLiteral("nachname"), QStringLiteral("vorname"), id};
    case 3: return {QStringLiteral("mobil"), QStringLiteral("nachname"), QStringLiteral("vorname"),
                    QStringLiteral("firma"), id};
    case 4: return {QLatin1String(kLastSendSchluessel)};
    case 5: return {QLatin1String(kEmailSchluessel)};
    default: return {QStringLiteral("nachname"), QStringLiteral("vorname"), QStringLiteral("firma"), id};
    }
}

// From this many members on, a group's list walks the order's index and keeps the members
// (they come often enough); a smaller group is read through its assignments and sorted.
constexpr int kDichteGruppe = 20000;
// Up to this many hits a search reads its rows by their ids (the ids fit into the statement).
constexpr int kWenigeTreffer = 4000;
// Pages held at most; beyond, the page farthest from the one read is dropped.
constexpr int kMaxSeiten = 256;
} // namespace

QStringList ListenIndizes()
{
    QStringList names;
    for (const ListenIndex& i : listenIndizes())
        names.append(QLatin1String(i.name));
    return names;
}

namespace {
// The lists' indexes that exist, by name, with whether each is switched on.
QHash<QString, bool> vorhandeneListenIndizes()
{
    QHash<QString, bool> vorhanden;
    QSqlQuery q = DatenModul->Run(QStringLiteral(
        "SELECT TRIM(RDB$INDEX_NAME), COALESCE(RDB$INDEX_INACTIVE, 0) FROM RDB$INDICES "
        "WHERE RDB$RELATION_NAME='KONTAKTE'"));
    while (q.next())
        vorhanden.insert(text(q, 0), q.value(1).toInt() == 0);
    return vorhanden;
}

// The statements that switch each of the lists' indexes that is off, or on, to `an`.
QStringList schaltBefehle(const QHash<QString, bool>& vorhanden, bool an)
{
    QStringList statements;
    for (const ListenIndex& i : listenIndizes()) {
        const auto it = vorhanden.constFind(QLatin1String(i.name));
        if (it != vorhanden.cend() && it.value() != an)
            statements.append(QStringLiteral("ALTER INDEX ") + QLatin1String(i.name)
                              + (an ? QStringLiteral(" ACTIVE") : QStringLiteral(" INACTIVE")));
    }
    return statements;
}

// Index statements all at once, each with its own commit; a failed one is left undone (an index
// left off or missing is dealt with at the next start). Whether all were done.
bool alleZugleich(const QStringList& statements)
{
    if (statements.isEmpty())
        return true;
    QHash<QString, QString> failed;
    try {
        failed = DatenModul->RunParallel(statements);
    } catch (const DbError& e) {
        qWarning("%s", qPrintable(e.Text()));
        return false;
    }
    for (auto it = failed.cbegin(); it != failed.cend(); ++it)
        qWarning("%s: %s", qPrintable(it.key()), qPrintable(it.value()));
    return failed.isEmpty();
}

bool schalteListenIndizes(const QHash<QString, bool>& vorhanden, bool an)
{
    return alleZugleich(schaltBefehle(vorhanden, an));
}
}

bool SichereListenIndizes()
{
    QHash<QString, bool> vorhanden;
    try {
        vorhanden = vorhandeneListenIndizes();
    } catch (const DbError& e) {
        qWarning("%s", qPrintable(e.Text()));
        return false;
    }
    // Earlier key expressions of blank-padded texts: the same order at several times the size.
    for (const char* alt : {"IX_KONTAKTE_EMAIL", "IX_KONTAKTE_LASTSEND"}) {
        if (!vorhanden.contains(QLatin1String(alt)))
            continue;
        try {
            DatenModul->Unit([&] { DatenModul->Run(QStringLiteral("DROP INDEX ") + QLatin1String(alt)); });
        } catch (const DbError& e) {
            qWarning("%s: %s", alt, qPrintable(e.Text()));
        }
    }
    // Those left off by an import that did not end (the program was killed), and the missing
    // ones; without an index the list is still right, only sorted by the engine.
    QStringList statements = schaltBefehle(vorhanden, true);
    for (const ListenIndex& i : listenIndizes())
        if (!vorhanden.contains(QLatin1String(i.name)))
            statements.append(i.ddl);
    return alleZugleich(statements);
}

TListenIndizesAus::TListenIndizesAus(int neueKontakte, int abAnzahl)
{
    if (neueKontakte < abAnzahl)
        return;
    try {
        if (neueKontakte < KontaktAnzahl(0))
            return;
        m_aus = true;
        schalteListenIndizes(vorhandeneListenIndizes(), false);
        // The counts too: counted once afterwards instead of kept through every insert.
        if (anzahlenGefuehrt()) {
            schalteZaehler(false, false);
            m_zaehlerAus = true;
        }
    } catch (const DbError& e) {
        qWarning("%s", qPrintable(e.Text()));
    }
}

TListenIndizesAus::~TListenIndizesAus()
{
    if (!m_aus)
        return;
    try {
        schalteListenIndizes(vorhandeneListenIndizes(), true);
    } catch (const DbError& e) {
        // Switched on at the next start.
        qWarning("%s", qPrintable(e.Text()));
    }
    try {
        if (m_zaehlerAus)
            schalteZaehler(true, true);
    } catch (const DbError& e) {
        // Counted and switched on at the next start; until then the lists count the tables.
        qWarning("%s", qPrintable(e.Text()));
    }
}

struct TKontaktListe::Impl {
    Art art = Art::Kontakte;
    QString spalten;       // the select list
    QString from;          // FROM with its joins
    QStringList where;     // conditions, joined by AND
    QVariantMap binds;     // the search's
    QStringList terms;     // ORDER BY
    int anzahl = 0;
    std::map<int, QVector<TKontaktZeile>> seiten;
    int gehalten = 0;
    std::unique_ptr<QSqlQuery> cursor;
    qint64 cursorRow = 0;
    quint64 generation = 0;

    QString whereSql(const QString& extra = {}) const
    {
        QStringList all = where;
        if (!extra.isEmpty())
            all.append(extra);
        return all.isEmpty() ? QString() : QStringLiteral(" WHERE ") + all.join(QStringLiteral(" AND "));
    }
    bool sortieren = false; // the rows are few: the engine sorts them instead of walking an index
    QString orderSql() const
    {
        if (!sortieren)
            return QStringLiteral(" ORDER BY ") + terms.join(QStringLiteral(", "));
        // The same values, but no index matches them.
        QStringList t;
        for (const QString& term : terms)
            t << (term == QLatin1String("id") || term.endsWith(QLatin1String(".zid"))
                      ? term + QStringLiteral(" + 0")
                      : QStringLiteral("(") + term + QStringLiteral(") || ''"));
        return QStringLiteral(" ORDER BY ") + t.join(QStringLiteral(", "));
    }

    // A search: one pass over the rows for its hits, taking their ids when they are few. Then
    // every statement of the list reads those rows by their ids and sorts them, instead of
    // walking the order's index through the whole table for the first screen. Many hits come
    // often enough along the index; they are counted in one more pass.
    void suche()
    {
        QSqlQuery q = open(QStringLiteral("SELECT FIRST ") + QString::number(kWenigeTreffer + 1)
                               + QStringLiteral(" kontakte.id") + from + whereSql(), binds);
        QVector<int> ids;
        while (next(q))
            ids.append(q.value(0).toInt());
        if (ids.size() > kWenigeTreffer) {
            anzahl = zaehle(QStringLiteral("SELECT COUNT(*)") + from + whereSql());
            return;
        }
        anzahl = ids.size();   // one row per hit, as the page statement gives them
        if (ids.isEmpty())
            return;
        std::sort(ids.begin(), ids.end());
        ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
        QStringList in;
        for (int i = 0; i < ids.size(); i += kInChunk)
            in << QStringLiteral("kontakte.id IN (") + idList(ids, i, std::min<int>(i + kInChunk, ids.size()))
                    + QLatin1Char(')');
        where.append(QLatin1Char('(') + in.join(QStringLiteral(" OR ")) + QLatin1Char(')'));
        sortieren = true;
    }

    static QSqlQuery open(const QString& sql, const QVariantMap& b)
    {
        QSqlQuery q(DatenModul->ReadDatabase());
        q.setForwardOnly(true);
        TDatenModul::Prepare(q, sql);
        for (auto it = b.cbegin(); it != b.cend(); ++it)
            q.bindValue(QLatin1Char(':') + it.key(), it.value());
        TDatenModul::Exec(q);
        return q;
    }
    static bool next(QSqlQuery& q)
    {
        if (q.next())
            return true;
        if (q.lastError().isValid())
            throw DbError(q.lastError().databaseText().trimmed().isEmpty() ? q.lastError().text()
                                                                           : q.lastError().databaseText().trimmed());
        return false;
    }

    // The kept count of all contacts (0) or of a group's assignments, read on the list's
    // connection; -1 where the database does not keep it.
    int gefuehrteAnzahl(int kategorieId)
    {
        QSqlQuery t = open(QStringLiteral("SELECT COUNT(*) FROM RDB$TRIGGERS WHERE "
                                          "COALESCE(RDB$TRIGGER_INACTIVE, 0) = 0 AND RDB$TRIGGER_NAME IN (")
                               + namensListe(kAnzahlTrigger, std::size(kAnzahlTrigger)) + QLatin1Char(')'),
                           {});
        if (!next(t) || t.value(0).toInt() != int(std::size(kAnzahlTrigger)))
            return -1;
        QSqlQuery q = kategorieId == 0
            ? open(QStringLiteral("SELECT anzahl FROM kontakte_anzahl"), {})
            : open(QStringLiteral("SELECT anzahl FROM kategorie_anzahl WHERE kategorie = ")
                       + QString::number(kategorieId), {});
        return next(q) ? q.value(0).toInt() : 0;
    }

    int zaehle(const QString& countSql)
    {
        QSqlQuery q = open(countSql, binds);
        return next(q) ? q.value(0).toInt() : 0;
    }

    void ladeSeite(int seite)
    {
        const qint64 first = qint64(seite) * kSeite;
        if (!cursor || generation != DatenModul->ReadGeneration() || cursorRow != first) {
            cursor.reset();
            const QString skip = first > 0 ? QStringLiteral("SKIP ") + QString::number(first) + QLatin1Char(' ')
                                           : QString();
            cursor = std::make_unique<QSqlQuery>(
                open(QStringLiteral("SELECT ") + skip + spalten + from + whereSql() + orderSql(), binds));
            cursorRow = first;
            generation = DatenModul->ReadGeneration();
        }
        QVector<TKontaktZeile> rows;
        rows.reserve(kSeite);
        QSqlQuery& q = *cursor;
        while (rows.size() < kSeite && next(q)) {
            TKontaktZeile z;
            z.id = q.value(0).toInt();
            z.vorname = text(q, 1);
            z.nachname = text(q, 2);
            z.firma = text(q, 3);
            if (art == Art::Kontakte) {
                z.mobil = text(q, 4);
                const QVariant last = q.value(5);
                if (!last.isNull())
                    z.mobilLastSend = last.toDateTime();
                z.email = text(q, 6);
                z.c = q.value(7).toInt();
            }
            rows.append(std::move(z));
        }
        cursorRow += rows.size();
        if (rows.size() < kSeite)
            cursor.reset();   // at the end: release it
        while (int(seiten.size()) >= kMaxSeiten) {
            auto far = seiten.begin();
            if (std::abs(seiten.rbegin()->first - seite) > std::abs(far->first - seite))
                far = std::prev(seiten.end());
            gehalten -= far->second.size();
            seiten.erase(far);
        }
        gehalten += rows.size();
        seiten[seite] = std::move(rows);
    }

    // The order's key of the first row meeting the condition; false when none does.
    bool schluessel(const QString& cond, const QVariantMap& more, QVariantList& key)
    {
        QVariantMap b = binds;
        b.insert(more);
        QSqlQuery q = open(QStringLiteral("SELECT FIRST 1 ") + terms.join(QStringLiteral(", ")) + from
                               + whereSql(cond) + orderSql(), b);
        if (!next(q))
            return false;
        key.clear();
        for (int i = 0; i < terms.size(); ++i)
            key.append(q.value(i));
        return true;
    }

    // The number of rows before the key in the order.
    int zaehleVor(const QVariantList& key)
    {
        QVariantMap b = binds;
        for (int i = 0; i < key.size(); ++i)
            b.insert(QStringLiteral("k") + QString::number(i), key[i]);
        // (t0 < k0 OR (t0 = k0 AND (t1 < k1 OR ...))), with t0 <= k0 beside it as the index's bound.
        QString cond = terms.last() + QStringLiteral(" < :k") + QString::number(terms.size() - 1);
        for (int i = terms.size() - 2; i >= 0; --i) {
            const QString k = QStringLiteral(":k") + QString::number(i);
            cond = QStringLiteral("(") + terms[i] + QStringLiteral(" < ") + k + QStringLiteral(" OR (") + terms[i]
                + QStringLiteral(" = ") + k + QStringLiteral(" AND ") + cond + QStringLiteral("))");
        }
        if (terms.size() > 1)
            cond = terms[0] + QStringLiteral(" <= :k0 AND ") + cond;
        QSqlQuery q = open(QStringLiteral("SELECT COUNT(*)") + from + whereSql(cond), b);
        return next(q) ? q.value(0).toInt() : 0;
    }
};

TKontaktListe::TKontaktListe(Art art, int kategorieId, bool suchen, const QString& suchtext, int sortIndex)
    : d(std::make_unique<Impl>())
{
    d->art = art;
    if (art == Art::SmsKontakte)
        sortIndex = sortIndex == 1 ? 1 : 0;   // the SMS page knows Nachname and Vorname
    else if (sortIndex < 0 || sortIndex > 5)
        sortIndex = 0;
    if (suchen) {
        const TKontaktSuche s = Suchbedingung(QString(), suchtext);
        d->where.append(s.sql);
        d->binds = s.binds;
    }
    const QString k = QString::number(kategorieId);
    DatenModul->RefreshReadDatabase();
    d->generation = DatenModul->ReadGeneration();
    if (art == Art::SmsKontakte) {
        d->spalten = QStringLiteral("kontakte.id, vorname, nachname, firma");
        if (kategorieId == 0) {
            d->from = QStringLiteral(" FROM kontakte");
            d->terms = ordnung(sortIndex);
        } else {
            // One row per assignment, as the page's statement gives them; the derived table
            // leaves "id" to the contact, as the order's key names it.
            d->from = QStringLiteral(" FROM (SELECT id AS zid, kontakt FROM katzuord WHERE kategorie = ") + k
                + QStringLiteral(") z JOIN kontakte ON kontakte.id = z.kontakt");
            d->terms = ordnung(sortIndex) << QStringLiteral("z.zid");
        }
        // Unfiltered, the rows are the kept count: all contacts, or one per assignment.
        if (suchen)
            d->suche();
        else if ((d->anzahl = d->gefuehrteAnzahl(kategorieId)) < 0)
            d->anzahl = d->zaehle(QStringLiteral("SELECT COUNT(*)") + d->from + d->whereSql());
        return;
    }
    d->terms = ordnung(sortIndex);
    if (kategorieId == 0) {
        d->spalten = QStringLiteral("id, vorname, nachname, firma, mobil, mobil_lastsend, email, "
                                    "(SELECT COUNT(*) FROM katzuord z WHERE z.kontakt = kontakte.id)");
        d->from = QStringLiteral(" FROM kontakte");
        if (suchen)
            d->suche();
        else if ((d->anzahl = d->gefuehrteAnzahl(0)) < 0)
            d->anzahl = d->zaehle(QStringLiteral("SELECT COUNT(*)") + d->from + d->whereSql());
        return;
    }
    // One row per contact of the group with its number of assignments to it.
    QStringList where = d->where;
    where.prepend(QStringLiteral("z.kategorie = ") + k);
    d->anzahl = d->zaehle(QStringLiteral("SELECT COUNT(DISTINCT z.kontakt) FROM katzuord z JOIN kontakte "
                                         "ON kontakte.id = z.kontakt WHERE ") + where.join(QStringLiteral(" AND ")));
    if (d->anzahl >= kDichteGruppe) {
        d->spalten = QStringLiteral("id, vorname, nachname, firma, mobil, mobil_lastsend, email, "
                                    "(SELECT COUNT(*) FROM katzuord z WHERE z.kontakt = kontakte.id AND z.kategorie = ")
            + k + QStringLiteral(")");
        d->from = QStringLiteral(" FROM kontakte");
        d->where.prepend(QStringLiteral("EXISTS (SELECT 1 FROM katzuord z WHERE z.kontakt = kontakte.id "
                                        "AND z.kategorie = ") + k + QStringLiteral(")"));
    } else {
        d->spalten = QStringLiteral("id, vorname, nachname, firma, mobil, mobil_lastsend, email, g.c");
        d->from = QStringLiteral(" FROM kontakte JOIN (SELECT kontakt, COUNT(*) AS c FROM katzuord WHERE kategorie = ")
            + k + QStringLiteral(" GROUP BY kontakt) g ON g.kontakt = kontakte.id");
    }
}

TKontaktListe::~TKontaktListe() = default;

int TKontaktListe::Anzahl() const { return d->anzahl; }

int TKontaktListe::Gehalten() const { return d->gehalten; }

const TKontaktZeile& TKontaktListe::Zeile(int row)
{
    static const TKontaktZeile leer;
    if (row < 0 || row >= d->anzahl)
        return leer;
    const int seite = row / kSeite;
    auto it = d->seiten.find(seite);
    if (it == d->seiten.end()) {
        d->ladeSeite(seite);
        it = d->seiten.find(seite);
    }
    const int i = row % kSeite;
    return i < it->second.size() ? it->second[i] : leer;
}

int TKontaktListe::Position(int kontaktId)
{
    if (d->anzahl == 0)
        return -1;
    QVariantList key;
    if (!d->schluessel(QStringLiteral("kontakte.id = :kontaktid"), {{QStringLiteral("kontaktid"), kontaktId}}, key))
        return -1;
    return d->zaehleVor(key);
}

int TKontaktListe::ErsteMitAnfang(QChar c, bool vorname)
{
    if (d->anzahl == 0)
        return -1;
    // Every character that equals c without regard to case, as QString compares them.
    static std::map<char16_t, QString> kandidaten;
    const char16_t folded = c.toCaseFolded().unicode();
    auto it = kandidaten.find(folded);
    if (it == kandidaten.end()) {
        QString set;
        for (char32_t u = 0; u <= 0xFFFF; ++u) {
            const QChar x{char16_t(u)};
            if (!x.isSurrogate() && x.toCaseFolded().unicode() == folded)
                set.append(x);
        }
        it = kandidaten.emplace(folded, set).first;
    }
    const QString field = vorname ? QStringLiteral("vorname") : QStringLiteral("nachname");
    // Where the order begins with that field, the index finds the first such row at once.
    const QString cond = field + QStringLiteral(" STARTING WITH :anfang");
    int best = -1;
    for (QChar x : it->second) {
        QVariantList key;
        if (!d->schluessel(cond, {{QStringLiteral("anfang"), QString(x)}}, key))
            continue;
        const int pos = d->zaehleVor(key);
        if (best < 0 || pos < best)
            best = pos;
    }
    return best;
}

namespace {
// Contacts per execute of the insert block: the driver's cost per execute is several times the
// engine's per row, and eight rows of the widest values stay inside the engine's 64 KB message.
constexpr int kImportBlock = 8;
// Ids taken from the id procedure per execute: doubling up to this many keeps the ids left
// unused at the end of an import fewer than those used.
constexpr int kImportIdsMax = 64;
}

namespace {
using F = TKontaktFeld;
// The widths are those of the table's columns.
constexpr std::array<TKontaktSpalte, kKontaktFelder> kSpalten{{
    {F::Geschlecht, "geschlecht", 0},   {F::Vorname, "vorname", 60},     {F::Nachname, "nachname", 60},
    {F::Firma, "firma", 60},            {F::KdNr, "kdnr", 100},          {F::Mobil, "mobil", 30},
    {F::MobilSend, "mobil_send", 0},    {F::Email, "email", 255},        {F::EmailSend, "email_send", 0},
    {F::Geburtsdatum, "geburtsdatum", 0},
    {F::PStrasse, "p_strasse", 60},     {F::PPlz, "p_plz", 10},          {F::POrt, "p_ort", 60},
    {F::PLand, "p_land", 60},           {F::PTelefon, "p_telefon", 30},  {F::PTelefax, "p_telefax", 30},
    {F::PWebseite, "p_webseite", 255},
    {F::FStrasse, "f_strasse", 60},     {F::FPlz, "f_plz", 10},          {F::FOrt, "f_ort", 60},
    {F::FLand, "f_land", 60},           {F::FTelefon, "f_telefon", 30},  {F::FTelefax, "f_telefax", 30},
    {F::FWebseite, "f_webseite", 255},
}};
constexpr bool inOrdnung()
{
    for (int i = 0; i < kKontaktFelder; ++i)
        if (int(kSpalten[size_t(i)].feld) != i)
            return false;
    return true;
}
static_assert(inOrdnung(), "one entry per field, in the order of TKontaktFeld");

QString TKontakt::* textMember(TKontaktFeld feld)
{
    switch (feld) {
    case F::Vorname: return &TKontakt::vorname;
    case F::Nachname: return &TKontakt::nachname;
    case F::Firma: return &TKontakt::firma;
    case F::KdNr: return &TKontakt::kdnr;
    case F::Mobil: return &TKontakt::mobil;
    case F::Email: return &TKontakt::email;
    case F::PStrasse: return &TKontakt::pStrasse;
    case F::PPlz: return &TKontakt::pPlz;
    case F::POrt: return &TKontakt::pOrt;
    case F::PLand: return &TKontakt::pLand;
    case F::PTelefon: return &TKontakt::pTelefon;
    case F::PTelefax: return &TKontakt::pTelefax;
    case F::PWebseite: return &TKontakt::pWebseite;
    case F::FStrasse: return &TKontakt::fStrasse;
    case F::FPlz: return &TKontakt::fPlz;
    case F::FOrt: return &TKontakt::fOrt;
    case F::FLand: return &TKontakt::fLand;
    case F::FTelefon: return &TKontakt::fTelefon;
    case F::FTelefax: return &TKontakt::fTelefax;
    case F::FWebseite: return &TKontakt::fWebseite;
    case F::Geschlecht:
    case F::MobilSend:
    case F::EmailSend:
    case F::Geburtsdatum:
        break;
    }
    return nullptr;
}
}

const std::array<TKontaktSpalte, kKontaktFelder>& KontaktSpalten()
{
    return kSpalten;
}

QString* FeldText(TKontakt& kontakt, TKontaktFeld feld)
{
    QString TKontakt::* m = textMember(feld);
    return m ? &(kontakt.*m) : nullptr;
}

const QString* FeldText(const TKontakt& kontakt, TKontaktFeld feld)
{
    QString TKontakt::* m = textMember(feld);
    return m ? &(kontakt.*m) : nullptr;
}

int* FeldZahl(TKontakt& kontakt, TKontaktFeld feld)
{
    switch (feld) {
    case F::Geschlecht: return &kontakt.geschlechtId;
    case F::MobilSend: return &kontakt.mobilSend;
    case F::EmailSend: return &kontakt.emailSend;
    default: return nullptr;
    }
}

struct TKontaktImport::Impl {
    int kategorieId = 0;
    int idsJeAufruf = 1;
    QSqlQuery ids;
    QVector<int> freieIds;
    quint32 key = 0;                          // the current rows' fields
    QVarLengthArray<TKontaktFeld, kKontaktFelder> felder;   // the key's fields in their order
    QVector<int> wartendIds;
    QVector<QVector<QVariant>> wartend;       // values in the order of felder
    QHash<quint32, QSqlQuery> einzeln, bloecke;   // by key

    int neueId()
    {
        if (freieIds.isEmpty()) {
            ids.bindValue(0, idsJeAufruf);
            TDatenModul::Exec(ids);
            while (ids.next())
                freieIds.append(ids.value(0).toInt());
            ids.finish();
            if (freieIds.isEmpty())
                throw DbError(DatenModul->KeineIdGrund("GET_NEW_KONTAKTE_ID"));
            std::reverse(freieIds.begin(), freieIds.end());
            idsJeAufruf = qMin(idsJeAufruf * 2, kImportIdsMax);
        }
        return freieIds.takeLast();
    }

    QString insert(int zeile) const
    {
        QString sql = QStringLiteral("INSERT INTO kontakte (id");
        for (TKontaktFeld f : felder)
            sql += QLatin1Char(',') + QLatin1String(KontaktSpalte(f).name);
        sql += QStringLiteral(") VALUES (:\"I%1\"").arg(zeile);
        for (int c = 0; c < felder.size(); ++c)
            sql += QStringLiteral(",:\"W%1_%2\"").arg(zeile).arg(c);
        sql += QStringLiteral("); ");
        if (kategorieId > 0)
            sql += QStringLiteral("INSERT INTO katzuord (kontakt,kategorie) VALUES (:\"I%1\",:\"G\"); ").arg(zeile);
        return sql;
    }

    // One contact and its assignment per execute, for the rows that do not fill a block.
    void einzelnSchreiben(int id, const QVector<QVariant>& werte)
    {
        auto it = einzeln.find(key);
        if (it == einzeln.end()) {
            QString params = QStringLiteral("\"G\" INTEGER = ?, \"I0\" INTEGER = ?");
            for (int c = 0; c < felder.size(); ++c)
                params += QStringLiteral(", \"W0_%1\" TYPE OF COLUMN kontakte.%2 = ?").arg(c).arg(
                    QLatin1String(KontaktSpalte(felder[c]).name));
            QSqlQuery q = DatenModul->Query();
            TDatenModul::Prepare(q, QStringLiteral("EXECUTE BLOCK (") + params + QStringLiteral(") AS BEGIN ")
                                        + insert(0) + QStringLiteral("END"));
            it = einzeln.insert(key, q);
        }
        it->bindValue(0, kategorieId);
        it->bindValue(1, id);
        for (int c = 0; c < werte.size(); ++c)
            it->bindValue(2 + c, werte[c]);
        TDatenModul::Exec(*it);
    }

    void blockSchreiben()
    {
        auto it = bloecke.find(key);
        if (it == bloecke.end()) {
            QString params = QStringLiteral("\"G\" INTEGER = ?"), body;
            for (int r = 0; r < kImportBlock; ++r) {
                params += QStringLiteral(", \"I%1\" INTEGER = ?").arg(r);
                for (int c = 0; c < felder.size(); ++c)
                    params += QStringLiteral(", \"W%1_%2\" TYPE OF COLUMN kontakte.%3 = ?")
                                  .arg(r)
                                  .arg(c)
                                  .arg(QLatin1String(KontaktSpalte(felder[c]).name));
                body += insert(r);
            }
            QSqlQuery q = DatenModul->Query();
            TDatenModul::Prepare(q, QStringLiteral("EXECUTE BLOCK (") + params + QStringLiteral(") AS BEGIN ") + body
                                        + QStringLiteral("END"));
            it = bloecke.insert(key, q);
        }
        int p = 0;
        it->bindValue(p++, kategorieId);
        for (int r = 0; r < kImportBlock; ++r) {
            it->bindValue(p++, wartendIds[r]);
            for (const QVariant& w : std::as_const(wartend[r]))
                it->bindValue(p++, w);
        }
        TDatenModul::Exec(*it);
        wartendIds.clear();
        wartend.clear();
    }

    void rest()
    {
        for (int r = 0; r < wartend.size(); ++r)
            einzelnSchreiben(wartendIds[r], wartend[r]);
        wartendIds.clear();
        wartend.clear();
    }
};

TKontaktImport::TKontaktImport(int kategorieId)
    : d(std::make_unique<Impl>())
{
    d->kategorieId = kategorieId;
    d->ids = DatenModul->Query();
    TDatenModul::Prepare(d->ids, QStringLiteral(
        "EXECUTE BLOCK (\"N\" INTEGER = ?) RETURNS (\"ID\" INTEGER) AS DECLARE \"I\" INTEGER = 0; BEGIN "
        "WHILE (\"I\" < :\"N\") DO BEGIN EXECUTE PROCEDURE GET_NEW_KONTAKTE_ID RETURNING_VALUES :\"ID\"; "
        "\"I\" = \"I\" + 1; SUSPEND; END END"));
}

TKontaktImport::~TKontaktImport()
{
    // Rows still waiting here were meant to be written: Abschliessen() was forgotten.
    Q_ASSERT_X(d->wartend.isEmpty() || std::uncaught_exceptions() > 0, "TKontaktImport",
               "Abschliessen() not called");
}

// Rows are written in blocks with their assignments; the new id is known at once, since ids are
// taken ahead from the id procedure. Each row is one insert of every given field: the same row
// as an insert of the id alone followed by an update of those columns (the triggers read only
// the id).
int TKontaktImport::Importiere(const TKontakt& kontakt, TKontaktFelder gegeben)
{
    // The birth date has no default: left out or NULL is the same row, so rows with and
    // without one share a block.
    const quint32 key = gegeben.Bits() | TKontaktFelder{TKontaktFeld::Geburtsdatum}.Bits();
    if (key != d->key) {
        d->rest();
        d->key = key;
        d->felder.clear();
        for (const TKontaktSpalte& s : KontaktSpalten())
            if (key & TKontaktFelder{s.feld}.Bits())
                d->felder.append(s.feld);
    }
    const int id = d->neueId();
    QVector<QVariant> werte;
    werte.reserve(d->felder.size());
    for (TKontaktFeld f : std::as_const(d->felder)) {
        switch (f) {
        case TKontaktFeld::Geschlecht:
            werte.append(kontakt.geschlechtId);
            break;
        case TKontaktFeld::MobilSend:
            werte.append(kontakt.mobilSend);
            break;
        case TKontaktFeld::EmailSend:
            werte.append(kontakt.emailSend);
            break;
        case TKontaktFeld::Geburtsdatum:
            werte.append(gegeben.Hat(f) && kontakt.geburtsdatum.isValid() ? QVariant(kontakt.geburtsdatum)
                                                                          : QVariant(QMetaType::fromType<QDate>()));
            break;
        default:
            werte.append(TDatenModul::Text(TruncateText(*FeldText(kontakt, f), KontaktSpalte(f).breite)));
            break;
        }
    }
    d->wartendIds.append(id);
    d->wartend.append(std::move(werte));
    if (d->wartend.size() == kImportBlock)
        d->blockSchreiben();
    return id;
}

void TKontaktImport::Abschliessen()
{
    d->rest();
}

// ---- The recipient picker ----

bool LadeKontaktAuswahl(int kontaktId, TKontaktAuswahl& kontakt)
{
    QSqlQuery q = DatenModul->Run(QStringLiteral("SELECT vorname, nachname, firma, mobil FROM kontakte WHERE id=:id"),
                                  {{QStringLiteral("id"), kontaktId}});
    if (!q.next())
        return false;
    kontakt = {kontaktId, text(q, 0), text(q, 1), text(q, 2), text(q, 3)};
    return true;
}

void KontakteAuswahlByIds(const QVector<int>& ids, const std::function<void(const TKontaktAuswahl&)>& found)
{
    jeKontaktInIdFolge<TKontaktAuswahl>(
        ids, QStringLiteral("vorname, nachname, firma, mobil"),
        [](const QSqlQuery& q, int first, int id) {
            return TKontaktAuswahl{id, text(q, first), text(q, first + 1), text(q, first + 2), text(q, first + 3)};
        },
        found);
}

int KontakteAuswahlByKategorie(int kategorieId, const std::function<void(const TKontaktAuswahl&)>& found)
{
    // One statement instead of a read per member: the same rows (an assignment to a missing
    // contact gives none).
    QSqlQuery q = DatenModul->Query();
    q.setForwardOnly(true);
    if (kategorieId == 0) {
        TDatenModul::Prepare(q, QStringLiteral("SELECT id, vorname, nachname, firma, mobil FROM kontakte"));
    } else {
        TDatenModul::Prepare(q, QStringLiteral(
            "SELECT t2.id, t2.vorname, t2.nachname, t2.firma, t2.mobil FROM katzuord t1, kontakte t2 "
            "WHERE t1.kategorie=:id AND t1.kontakt=t2.id"));
        q.bindValue(QStringLiteral(":id"), kategorieId);
    }
    TDatenModul::Exec(q);
    int rows = 0;
    while (q.next()) {
        ++rows;
        found({q.value(0).toInt(), text(q, 1), text(q, 2), text(q, 3), text(q, 4)});
    }
    return rows;
}

QVector<int> KontaktIdsByKategorie(int kategorieId)
{
    QSqlQuery q = kategorieId == 0
        ? vorwaerts(QStringLiteral("SELECT id AS kid FROM kontakte"))
        : vorwaerts(QStringLiteral("SELECT kontakt AS kid FROM katzuord WHERE kategorie=:id"),
                          {{QStringLiteral("id"), kategorieId}});
    QVector<int> ids;
    while (q.next())
        ids.append(q.value(0).toInt());
    return ids;
}

namespace {
// The birthday condition on the column `spalte`: day and month only, so that 29 February is
// a day like any other; a range over the new year is the two pieces up to 31.12 and from 01.01.
QString geburtstagBedingung(const QString& spalte, int von, int bis)
{
    const QString mt = QStringLiteral("(EXTRACT(MONTH FROM ") + spalte + QStringLiteral(")*100+EXTRACT(DAY FROM ")
        + spalte + QStringLiteral("))");
    if (von <= bis)
        return QStringLiteral("(") + mt + QStringLiteral(" BETWEEN ") + QString::number(von) + QStringLiteral(" AND ")
            + QString::number(bis) + QStringLiteral(") ");
    return QStringLiteral("(") + mt + QStringLiteral(" >= ") + QString::number(von) + QStringLiteral(" OR ") + mt
        + QStringLiteral(" <= ") + QString::number(bis) + QStringLiteral(") ");
}
}

void GeburtstagKontakte(int von, int bis, const std::function<void(const TKontaktGeburtstag&)>& found)
{
    QSqlQuery q = vorwaerts(
        QStringLiteral("SELECT id,vorname,nachname,firma,geburtsdatum FROM kontakte WHERE geburtsdatum IS NOT NULL AND ")
        + geburtstagBedingung(QStringLiteral("geburtsdatum"), von, bis)
        + QStringLiteral("ORDER BY geburtsdatum ASC,vorname ASC, nachname ASC, firma ASC"));
    while (q.next())
        found({q.value(0).toInt(), text(q, 1), text(q, 2), text(q, 3), q.value(4).toDate()});
}

QVector<std::pair<int, int>> GeburtstagZuordnungen(int von, int bis)
{
    QSqlQuery q = vorwaerts(
        QStringLiteral("SELECT t1.kategorie,t2.id FROM katzuord t1,kontakte t2 WHERE t1.kontakt=t2.id AND "
                       "t2.geburtsdatum IS NOT NULL AND ")
        + geburtstagBedingung(QStringLiteral("t2.geburtsdatum"), von, bis));
    QVector<std::pair<int, int>> rows;
    while (q.next())
        rows.append({q.value(0).toInt(), q.value(1).toInt()});
    return rows;
}

struct TKategorieImport::Impl {
    QSqlQuery newId, insert, update;
};

TKategorieImport::TKategorieImport()
    : d(std::make_unique<Impl>())
{
    d->newId = DatenModul->Query();
    TDatenModul::Prepare(d->newId, QStringLiteral("EXECUTE PROCEDURE GET_NEW_KATEGORIEN_ID"));
    d->insert = DatenModul->Query();
    TDatenModul::Prepare(d->insert, QStringLiteral("INSERT INTO kategorien (id) VALUES (:id)"));
    d->update = DatenModul->Query();
    TDatenModul::Prepare(d->update, QStringLiteral("UPDATE kategorien SET name=:name WHERE id=:id"));
}

TKategorieImport::~TKategorieImport() = default;

int TKategorieImport::Importiere(const QString& name)
{
    TDatenModul::Exec(d->newId);
    if (!d->newId.next())
        throw DbError(QStringLiteral("Die Prozedur GET_NEW_KATEGORIEN_ID lieferte keine Id."));
    const int id = d->newId.value(0).toInt();
    d->newId.finish();
    d->insert.bindValue(QStringLiteral(":id"), id);
    TDatenModul::Exec(d->insert);
    d->update.bindValue(QStringLiteral(":name"), TDatenModul::Text(name));
    d->update.bindValue(QStringLiteral(":id"), id);
    TDatenModul::Exec(d->update);
    return id;
}

// Assignments per execute of the block: many cheap rows, so many per execute.
constexpr int kZuordnungBlock = 32;

struct TZuordnungImport::Impl {
    QSqlQuery einzeln, block;
    bool blockBereit = false;
    QVector<std::pair<int, int>> wartend;
};

TZuordnungImport::TZuordnungImport()
    : d(std::make_unique<Impl>())
{
    d->einzeln = DatenModul->Query();
    TDatenModul::Prepare(d->einzeln, QLatin1String(kInsertZuordnung));
}

TZuordnungImport::~TZuordnungImport()
{
    Q_ASSERT_X(d->wartend.isEmpty() || std::uncaught_exceptions() > 0, "TZuordnungImport",
               "Abschliessen() not called");
}

void TZuordnungImport::Importiere(int kontaktId, int kategorieId)
{
    d->wartend.append({kontaktId, kategorieId});
    if (d->wartend.size() < kZuordnungBlock)
        return;
    if (!d->blockBereit) {
        QString params, body;
        for (int r = 0; r < kZuordnungBlock; ++r) {
            params += QStringLiteral("%1\"K%2\" INTEGER = ?, \"G%2\" INTEGER = ?").arg(r ? QStringLiteral(", ") : QString()).arg(r);
            body += QStringLiteral("INSERT INTO katzuord (kontakt,kategorie) VALUES (:\"K%1\",:\"G%1\"); ").arg(r);
        }
        d->block = DatenModul->Query();
        TDatenModul::Prepare(d->block, QStringLiteral("EXECUTE BLOCK (") + params + QStringLiteral(") AS BEGIN ") + body
                                           + QStringLiteral("END"));
        d->blockBereit = true;
    }
    for (int r = 0; r < kZuordnungBlock; ++r) {
        d->block.bindValue(2 * r, d->wartend[r].first);
        d->block.bindValue(2 * r + 1, d->wartend[r].second);
    }
    TDatenModul::Exec(d->block);
    d->wartend.clear();
}

void TZuordnungImport::Abschliessen()
{
    for (const auto& [kontakt, kategorie] : std::as_const(d->wartend)) {
        d->einzeln.bindValue(QStringLiteral(":kontaktid"), kontakt);
        d->einzeln.bindValue(QStringLiteral(":kategorieid"), kategorie);
        TDatenModul::Exec(d->einzeln);
    }
    d->wartend.clear();
}

void KontakteMitGruppenFuerExport(int kategorieId,
                                  const std::function<void(int id, const TKontakt&, const QString& gruppen)>& row)
{
    // Group names in code point order, as the engine orders UTF-8 names.
    QHash<int, std::pair<QByteArray, QString>> namen;
    for (const TKategorie& k : Kategorien())
        namen.insert(k.id, {k.name.toUtf8(), k.name});

    // The assignments by contact, forward only beside the contacts' cursor.
    QSqlQuery z = DatenModul->Query();
    z.setForwardOnly(true);
    if (kategorieId == 0) {
        TDatenModul::Prepare(z, QStringLiteral("SELECT kontakt,kategorie FROM katzuord ORDER BY kontakt"));
    } else {
        TDatenModul::Prepare(z, QStringLiteral(
            "SELECT t1.kontakt,t2.kategorie FROM katzuord t1,katzuord t2 WHERE t1.kategorie=:katid "
            "AND t2.kontakt=t1.kontakt ORDER BY t1.kontakt"));
        z.bindValue(QStringLiteral(":katid"), kategorieId);
    }
    TDatenModul::Exec(z);
    bool mehr = z.next();
    std::vector<const std::pair<QByteArray, QString>*> gruppen;
    QString text;
    KontakteFuerExport(kategorieId, [&](int id, const TKontakt& k) {
        while (mehr && z.value(0).toInt() < id)
            mehr = z.next();
        gruppen.clear();
        while (mehr && z.value(0).toInt() == id) {
            const auto it = namen.constFind(z.value(1).toInt());
            if (it != namen.constEnd())
                gruppen.push_back(&*it);
            mehr = z.next();
        }
        std::sort(gruppen.begin(), gruppen.end(), [](const auto* a, const auto* b) { return a->first < b->first; });
        text.clear();
        for (size_t i = 0; i < gruppen.size(); ++i) {
            if (i > 0)
                text += QStringLiteral(", ");
            text += gruppen[i]->second;
        }
        row(id, k, text);
    });
}

} // namespace TKontaktDaten
