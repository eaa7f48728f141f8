#pragma once
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVector>

// The settings record: one field per key of "Vornix2.ini", in the file's order.
struct TIniFileDaten {
    // [Allgemein]
    int StartOrdner = 0;
    bool Proxy = false;
    QString Proxy_Server = QString("");
    int Proxy_Port = 0;
    QString Proxy_Username = QString("");
    QString Proxy_Passwort = QString("");   // plain text in the record, scrambled in the file
    bool Proxy_BasicAuthentication = false;
    // [Home]
    bool ShowMarketing = true;
    // [Kontakte]
    int Kontakte_Width_Panel_Left = 170;
    QVector<int> Widths = {189, 134, 110, 110, 165};
    QVector<int> Widths_Versandprotokoll = {132, 250, 110, 110};
    int Sortierung = 0;
    // [SMS]
    int Height_Panel_LeftTop = 150;
    int SMS_Width_Panel_Left = 240;
    int SortierungKontakte = 0;
    QVector<int> Widths_Versendete = {131, 102, 336, 70};
    int SortierungVersendete = 0;
    bool Login_Speichern = false;
    QString Login_Username = QString("");
    QString Login_Passwort = QString("");   // plain text in the record, scrambled in the file
    bool Use_Https = true;
    QString StandardAbsender;               // default set by the loader (kDefaultAbsender)
    int StandardTyp = 0;
    int ProtokollLimit = 5000;
    // [Benutzerdaten]
    QString Anrede, Firma, Vorname, Nachname, Strasse, PLZ, Ort, Land, Email, Telefon, Telefax,
        Mobil, ZahlArt, Kreditinstitut, Kontoinhaber, Kontonummer, Bankleitzahl, Kartentyp,
        Kartennummer, Pruefziffer;
    QDate GueltigBis;                       // default today, set by the loader
    QString Karteninhaber;
    QDateTime Benutzerdaten_Stand;          // default now
    // [Accountstatus]
    QString AccountName;
    int AccountType = 0;
    double Kontingent = 0;
    int AnzTodo = -1;
    int AnzProtokoll = -1;
    bool AutoAktualisierung = false;
    QDateTime Accountstatus_Stand;          // default now
    // [News]
    int Index = 0;
    QString Headline;
    QString Content;                        // the file holds it in Content, Content2, Content3
    QDate ShowUntil;                        // default today
    // [VersionInfo]
    bool ShowUpdates = true;
    int Major = 2;
    int Minor = 1;
    int Release = 1;
};

// The default sender of new SMS: the service's name, within the sender rules (11 safe characters).
inline constexpr const char* kDefaultAbsender = "Vornix2.de";
inline constexpr const char* kIniFileName = "Vornix2.ini";

// Every field at its default, the dates taken from the clock now.
TIniFileDaten DefaultIniFileDaten();

// Reads the file (a missing file, section or key gives the default); never creates it.
// Returns false only when the file exists but cannot be read; `out` then holds the defaults.
bool LoadIniFileDaten(const QString& fileName, TIniFileDaten& out, QString* error = nullptr);
TIniFileDaten LoadIniFileDaten(const QString& fileName);
// Writes every key, keeping what the program does not know; atomic. False on failure.
bool SaveIniFileDaten(const QString& fileName, const TIniFileDaten& rec, QString* error = nullptr);

QString ScramblePasswort(const QString& text, quint32 seed, bool unscramble);
QString IntArrayToStr(const QVector<int>& values);
