#pragma once
// A plausible service account behind the fake gateway: user data, account status, news, a
// version, a send log that sending fills, and web subscribers. For trying the program by hand
// and for tests that want a whole account rather than single scripted replies.
#include "FakeGateway.h"
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <mutex>

class FakeAccount {
public:
    struct Sms {
        QDateTime DispatchTime;
        QString Recipient, Content, Sender, Type;
        int MsgParts = 1;
        int StatusId = 1;
        QString MessageId;
    };
    struct Subscriber {
        int Id = 0;
        QString Prename, Surname, Mobile, Title;
    };

    FakeAccount();
    // Answers every command of the gateway on `gw` from this account.
    void Install(FakeGateway& gw);

    QString Username = QStringLiteral("demo");
    QString Password = QStringLiteral("demo");
    QMap<QString, QString> UserData;      // reply element name -> value
    int Contingent = 2500;
    int NewsId = 3;
    QString NewsHeadline = QStringLiteral("Neue Netze in der Schweiz");
    QString NewsContent = QStringLiteral("Ab sofort erreichen Sie auch Kunden von Salt und Sunrise zu deutschen Preisen.");
    int VersionMajor = 2, VersionMinor = 2, VersionRelease = 0;
    QList<Sms> SendLog;
    QList<Subscriber> Subscribers;
    int PageSize = 50;                    // send-log entries per page when no limit is sent

private:
    FakeReply handle(const FakeRequest& req);
    QString userDataXml(bool withDate) const;
    FakeReply userDataCommand(const FakeRequest& req, const QString& root, const QString& news);
    std::mutex m_mutex;
};
