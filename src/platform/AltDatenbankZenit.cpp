#include "platform/AltDatenbank.h"
#include "platform/Cp1252.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QTimer>
#include <QUuid>
#include <cmath>
#include <vector>

// The Zenit edition's InterBase-family database through the Firebird client, on a QIBASE
// connection of its own. The connection speaks UTF-8; text columns without a character set hold
// Windows-1252 bytes, which the driver would decode as UTF-8 and lose, so they are cast to
// ISO8859_1 in the SELECT (one character per byte) and decoded here as Windows-1252, as the
// settings file and the Paradox tables are.

namespace {
QString fehlerText(const QSqlError& e)
{
    const QString db = e.databaseText().trimmed();
    return db.isEmpty() ? e.text().trimmed() : db;
}

void xdrInt(QByteArray& out, quint32 v)
{
    for (int i = 3; i >= 0; --i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

void xdrText(QByteArray& out, const QByteArray& text)
{
    xdrInt(out, quint32(text.size()));
    out.append(text);
    out.append(QByteArray((4 - text.size() % 4) % 4, '\0'));
}

// Waits for `bereit` or the deadline, with the window repainting but no user input.
bool warten(QTcpSocket& socket, bool (*bereit)(QTcpSocket&), const QElapsedTimer& uhr, int wartezeitMs)
{
    while (!bereit(socket)) {
        const qint64 rest = wartezeitMs - uhr.elapsed();
        if (rest <= 0)
            return false;
        QEventLoop schleife;
        QTimer::singleShot(int(qMin<qint64>(rest, 100)), &schleife, &QEventLoop::quit);
        QObject::connect(&socket, &QTcpSocket::connected, &schleife, &QEventLoop::quit);
        QObject::connect(&socket, &QTcpSocket::readyRead, &schleife, &QEventLoop::quit);
        QObject::connect(&socket, &QTcpSocket::disconnected, &schleife, &QEventLoop::quit);
        QObject::connect(&socket, &QTcpSocket::errorOccurred, &schleife, &QEventLoop::quit);
        schleife.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return true;
}

// Firebird's client waits three minutes for a server that accepts a connection and never
// answers, and QIBASE passes no connect timeout to it. So the server is asked first, on a socket
// of our own: it must accept and answer the protocol's first packet within the wait. Anything
// else than silence (an answer, a refusal, an unknown host) is left to the client to report.
void serverFragen(const QString& host, const QString& pfad, int wartezeitMs)
{
    QString rechner = host;
    quint16 port = 3050;
    const int schraeg = host.indexOf(QLatin1Char('/'));
    if (schraeg >= 0) {
        rechner = host.left(schraeg);
        bool ok = false;
        const quint16 p = host.mid(schraeg + 1).toUShort(&ok);
        if (!ok)
            return;   // a service name: the client resolves it
        port = p;
    }
    const int sekunden = qMax(1, (wartezeitMs + 999) / 1000);
    const QString zuLange = QStringLiteral("Der Server \"") + host + QStringLiteral("\" hat nicht innerhalb von ")
        + (sekunden == 1 ? QStringLiteral("einer Sekunde") : QString::number(sekunden) + QStringLiteral(" Sekunden"))
        + QStringLiteral(" geantwortet.");
    QElapsedTimer uhr;
    uhr.start();
    QTcpSocket socket;
    socket.connectToHost(rechner, port);
    const auto verbunden = [](QTcpSocket& s) { return s.state() != QAbstractSocket::HostLookupState
                                                      && s.state() != QAbstractSocket::ConnectingState; };
    if (!warten(socket, verbunden, uhr, wartezeitMs))
        throw AltDatenbankFehler(zuLange);
    if (socket.state() != QAbstractSocket::ConnectedState)
        return;
    QByteArray paket;
    xdrInt(paket, 1);    // op_connect
    xdrInt(paket, 19);   // op_attach
    xdrInt(paket, 3);    // connect version 3
    xdrInt(paket, 1);    // generic architecture
    xdrText(paket, pfad.toUtf8());
    xdrInt(paket, 1);    // one protocol offered
    xdrText(paket, QByteArray());
    for (quint32 v : {10u, 1u, 2u, 5u, 2u})   // version 10, generic, rpc to lazy send, weight
        xdrInt(paket, v);
    socket.write(paket);
    const auto geantwortet = [](QTcpSocket& s) { return s.bytesAvailable() > 0 || s.state() != QAbstractSocket::ConnectedState; };
    if (!warten(socket, geantwortet, uhr, wartezeitMs))
        throw AltDatenbankFehler(zuLange);
    socket.abort();
}

// Owns the named connection; queries share it, so the last user removes it.
struct Verbindung {
    QString name = QStringLiteral("vornix2-alt-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    ~Verbindung()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            if (db.isOpen()) {
                db.rollback();
                db.close();
            }
        }
        QSqlDatabase::removeDatabase(name);
    }
    QSqlDatabase Db() const { return QSqlDatabase::database(name, false); }
};

enum class Art { Text, TextBytes, TextLatin1, TextBlob, Ganz, Zahl, Datum, Zeit, Bool };

struct Spalte {
    QString name;
    Art art = Art::Text;
};

class ZenitAbfrage final : public AltAbfrage {
public:
    ZenitAbfrage(std::shared_ptr<Verbindung> v, const QString& tabelle, const QStringList& namen,
                 std::vector<Spalte> spalten, const QString& ausdruecke)
        : AltAbfrage(namen), m_verbindung(std::move(v)), m_tabelle(tabelle), m_spalten(std::move(spalten)),
          m_query(m_verbindung->Db())
    {
        // COUNT and SELECT run in the same snapshot transaction, so they see the same rows.
        QSqlQuery zaehlen(m_verbindung->Db());
        if (!zaehlen.exec(QStringLiteral("SELECT COUNT(*) FROM ") + tabelle) || !zaehlen.next())
            throw AltDatenbankFehler(fehlerText(zaehlen.lastError()));
        m_anzahl = zaehlen.value(0).toInt();
        m_query.setForwardOnly(true);
        if (!m_query.exec(QStringLiteral("SELECT ") + ausdruecke + QStringLiteral(" FROM ") + tabelle))
            throw AltDatenbankFehler(fehlerText(m_query.lastError()));
    }

    int RecordCount() const override { return m_anzahl; }

    bool Next() override
    {
        if (m_gelesen >= m_anzahl) {
            m_aufZeile = false;
            return false;
        }
        if (!m_query.next()) {
            const QString grund = fehlerText(m_query.lastError());
            throw AltDatenbankFehler(QStringLiteral("Die Tabelle \"") + m_tabelle
                                     + QStringLiteral("\" konnte nicht vollständig gelesen werden.")
                                     + (grund.isEmpty() ? QString() : QLatin1Char(' ') + grund));
        }
        ++m_gelesen;
        m_aufZeile = true;
        return true;
    }

    QString Text(int feld) const override
    {
        const Spalte& s = spalte(feld);
        const QVariant v = m_query.value(feld);
        if (v.isNull())
            return QString("");
        switch (s.art) {
        case Art::TextBytes:
            return Cp1252::Decode(v.toByteArray());
        case Art::TextLatin1:
            return Cp1252::Decode(v.toString().toLatin1());
        case Art::TextBlob:
            return QString::fromUtf8(v.toByteArray());
        case Art::Zahl:
            return QString::number(v.toDouble(), 'g', 15);
        case Art::Datum:
            return datumText(DateTime(feld));
        case Art::Zeit:
            return v.toTime().toString(QStringLiteral("HH:mm:ss"));
        case Art::Bool:
            return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        default:
            return v.toString();
        }
    }

    qint64 Integer(int feld) const override
    {
        const Spalte& s = spalte(feld);
        const QVariant v = m_query.value(feld);
        if (v.isNull())
            return 0;
        switch (s.art) {
        case Art::Ganz:
        case Art::Bool:
            return v.toLongLong();
        case Art::Zahl:
            return std::llround(v.toDouble());
        case Art::Datum:
        case Art::Zeit:
            keinWert(s.name, Text(feld), "Ganzzahlwert");
        default: {
            const QString t = Text(feld).trimmed();
            if (t.isEmpty())
                return 0;
            bool ok = false;
            const qint64 n = t.toLongLong(&ok);
            if (!ok)
                keinWert(s.name, t, "Ganzzahlwert");
            return n;
        }
        }
    }

    QDateTime DateTime(int feld) const override
    {
        const Spalte& s = spalte(feld);
        const QVariant v = m_query.value(feld);
        if (v.isNull())
            return QDateTime();
        if (s.art == Art::Datum) {
            if (v.typeId() == QMetaType::QDate)
                return QDateTime(v.toDate(), QTime(0, 0));
            return v.toDateTime();
        }
        if (s.art == Art::Text || s.art == Art::TextBytes || s.art == Art::TextBlob) {
            const QString t = Text(feld).trimmed();
            if (t.isEmpty())
                return QDateTime();
            const QDate d = QDate::fromString(t, QStringLiteral("dd.MM.yyyy"));
            if (!d.isValid())
                keinWert(s.name, t, "Datumswert");
            return QDateTime(d, QTime(0, 0));
        }
        keinWert(s.name, Text(feld), "Datumswert");
    }

    bool Boolean(int feld) const override
    {
        const Spalte& s = spalte(feld);
        const QVariant v = m_query.value(feld);
        if (v.isNull())
            return false;
        switch (s.art) {
        case Art::Bool:
            return v.toBool();
        case Art::Ganz:
        case Art::Zahl:
            return Integer(feld) != 0;
        default: {
            const QString t = Text(feld).trimmed();
            if (t.isEmpty())
                return false;
            keinWert(s.name, t, "Wahrheitswert");
        }
        }
    }

private:
    const Spalte& spalte(int feld) const
    {
        pruefeFeld(m_tabelle, m_aufZeile, feld, int(m_spalten.size()));
        return m_spalten[size_t(feld)];
    }

    std::shared_ptr<Verbindung> m_verbindung;
    QString m_tabelle;
    std::vector<Spalte> m_spalten;
    QSqlQuery m_query;
    int m_anzahl = 0;
    int m_gelesen = 0;
    bool m_aufZeile = false;
};

class ZenitDatenbank final : public AltDatenbank {
public:
    ZenitDatenbank(const QString& serverName, const QString& benutzer, const QString& passwort, int wartezeitMs)
        : m_verbindung(std::make_shared<Verbindung>())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), m_verbindung->name);
        if (!db.isValid())
            throw AltDatenbankFehler(QStringLiteral("Der Datenbanktreiber QIBASE ist nicht verfügbar."));
        // "host:path" names a server; a colon in second place is a Windows drive letter.
        QString host;
        QString pfad = serverName;
        const int doppelpunkt = serverName.indexOf(QLatin1Char(':'));
        if (AltServerPfad(serverName)) {
            host = serverName.left(doppelpunkt);
            pfad = serverName.mid(doppelpunkt + 1);
        } else if (!QFileInfo(pfad).isFile()) {
            throw AltDatenbankFehler(QStringLiteral("Die Datenbank \"") + pfad + QStringLiteral("\" wurde nicht gefunden."));
        }
        if (!host.isEmpty())
            serverFragen(host, pfad, wartezeitMs);
        db.setHostName(host);
        db.setDatabaseName(pfad);
        db.setUserName(benutzer);
        db.setPassword(passwort);
        db.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=UTF8"));
        if (!db.open())
            throw AltDatenbankFehler(fehlerText(db.lastError()));
        if (!db.transaction())
            throw AltDatenbankFehler(fehlerText(db.lastError()));
    }

    std::unique_ptr<AltAbfrage> Oeffnen(const QString& select) override
    {
        QString tabelle;
        QStringList namen;
        SelectZerlegen(select, &tabelle, &namen);

        struct Meta {
            int typ;
            int subTyp;
            int laenge;
            int zeichensatz;   // -1: none given
            int scale;
        };
        QHash<QString, Meta> meta;
        QSqlQuery q(m_verbindung->Db());
        q.setForwardOnly(true);
        q.prepare(QStringLiteral(
            "SELECT TRIM(rf.RDB$FIELD_NAME), f.RDB$FIELD_TYPE, f.RDB$FIELD_SUB_TYPE, f.RDB$FIELD_LENGTH, "
            "f.RDB$CHARACTER_SET_ID, f.RDB$FIELD_SCALE "
            "FROM RDB$RELATION_FIELDS rf JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = rf.RDB$FIELD_SOURCE "
            "WHERE UPPER(TRIM(rf.RDB$RELATION_NAME)) = ?"));
        q.addBindValue(tabelle.toUpper());
        if (!q.exec())
            throw AltDatenbankFehler(fehlerText(q.lastError()));
        while (q.next()) {
            meta.insert(q.value(0).toString().toUpper(),
                        Meta{q.value(1).toInt(), q.value(2).toInt(), q.value(3).toInt(),
                             q.value(4).isNull() ? -1 : q.value(4).toInt(), q.value(5).toInt()});
        }
        if (meta.isEmpty())
            throw AltDatenbankFehler(QStringLiteral("Die Tabelle \"") + tabelle
                                     + QStringLiteral("\" wurde in der Datenbank nicht gefunden."));

        std::vector<Spalte> spalten;
        QStringList ausdruecke;
        for (const QString& name : namen) {
            const auto it = meta.constFind(name.toUpper());
            if (it == meta.constEnd())
                throw AltDatenbankFehler(QStringLiteral("Die Spalte \"") + name + QStringLiteral("\" fehlt in der Tabelle \"")
                                         + tabelle + QStringLiteral("\"."));
            const Meta& m = *it;
            const bool ohneZeichensatz = m.zeichensatz <= 0;   // NONE or not given
            Spalte s{name, Art::Text};
            QString ausdruck = name;
            switch (m.typ) {
            case 14:   // CHAR: trailing blanks are padding
            case 37:   // VARCHAR
                if (m.typ == 14)
                    ausdruck = QStringLiteral("TRIM(TRAILING FROM ") + ausdruck + QLatin1Char(')');
                if (ohneZeichensatz) {
                    // Through ISO8859_1, which keeps every byte: Firebird's WIN1252 turns the five
                    // bytes Windows leaves undefined into NUL, and OCTETS arrive decoded as UTF-8.
                    ausdruck = QStringLiteral("CAST(") + ausdruck + QStringLiteral(" AS VARCHAR(")
                        + QString::number(qMax(1, m.laenge)) + QStringLiteral(") CHARACTER SET ISO8859_1)");
                    s.art = Art::TextLatin1;
                }
                break;
            case 261:
                if (m.subTyp != 1)
                    throw AltDatenbankFehler(QStringLiteral("Die Spalte \"") + name + QStringLiteral("\" der Tabelle \"")
                                             + tabelle + QStringLiteral("\" hat einen nicht unterstützten Typ."));
                s.art = ohneZeichensatz ? Art::TextBytes : Art::TextBlob;
                break;
            case 7: case 8: case 16:
                s.art = m.scale < 0 ? Art::Zahl : Art::Ganz;
                break;
            case 10: case 11: case 27:
                s.art = Art::Zahl;
                break;
            case 12: case 35:
                s.art = Art::Datum;
                break;
            case 13:
                s.art = Art::Zeit;
                break;
            case 23:
                s.art = Art::Bool;
                break;
            default:
                throw AltDatenbankFehler(QStringLiteral("Die Spalte \"") + name + QStringLiteral("\" der Tabelle \"")
                                         + tabelle + QStringLiteral("\" hat einen nicht unterstützten Typ."));
            }
            spalten.push_back(s);
            ausdruecke.append(ausdruck);
        }
        return std::make_unique<ZenitAbfrage>(m_verbindung, tabelle, namen, std::move(spalten),
                                              ausdruecke.join(QStringLiteral(", ")));
    }

private:
    std::shared_ptr<Verbindung> m_verbindung;
};
}

std::unique_ptr<AltDatenbank> InterbaseVerbinden(const QString& serverName, const QString& benutzer,
                                                 const QString& passwort, int wartezeitMs)
{
    return std::make_unique<ZenitDatenbank>(serverName, benutzer, passwort, wartezeitMs);
}
