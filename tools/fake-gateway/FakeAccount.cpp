#include "FakeAccount.h"
#include <QRegularExpression>

namespace {
QString el(const QString& name, const QString& value)
{
    return QLatin1Char('<') + name + QLatin1Char('>') + value + QLatin1String("</") + name + QLatin1Char('>');
}
QString el(const QString& name, qint64 value) { return el(name, QString::number(value)); }
QString moment(const QDateTime& t) { return t.toString(QStringLiteral("yyyyMMddHHmmss")); }
}

FakeAccount::FakeAccount()
{
    const std::pair<const char*, const char*> data[] = {
        {"Title", "Herr"}, {"Company", "Muster Reisen GmbH"}, {"Prename", "Max"}, {"Surname", "Mustermann"},
        {"Street", "Hauptstra\u00dfe 1"}, {"ZipCode", "10115"}, {"City", "Berlin"}, {"Country", "Deutschland"},
        {"Phone", "030 1234567"}, {"Fax", "030 1234568"}, {"Mobile", "0171 1234567"},
        {"Email", "max@muster-reisen.example"}, {"MethodOfPayment", "Lastschrift"},
        {"CreditInstitution", "Musterbank"}, {"AccountNumber", "1234567890"}, {"BankCode", "10010010"},
        {"AccountHolder", "Max Mustermann"}, {"Type", ""}, {"Number", ""}, {"CheckDigit", ""},
        {"ValidTo", "202812"}, {"CardHolder", ""},
    };
    for (const auto& [k, v] : data)
        UserData.insert(QString::fromLatin1(k), QString::fromUtf8(v));
    const QDateTime start = QDateTime::currentDateTime().addDays(-30);
    const char* names[] = {"Anna", "Bernd", "Clara", "Dieter", "Eva"};
    for (int i = 0; i < 120; ++i) {
        Sms s;
        s.DispatchTime = start.addSecs(i * 3600 * 5);
        s.Recipient = QStringLiteral("0049171%1").arg(1000000 + i * 7);
        s.Content = QStringLiteral("Hallo %1, Ihr Termin am Montag ist best\u00e4tigt.").arg(QLatin1String(names[i % 5]));
        s.Sender = QStringLiteral("Vornix2.de");
        s.Type = i % 9 == 0 ? QStringLiteral("Fs") : QStringLiteral("Tx");
        s.StatusId = i % 13 == 0 ? 2 : (i % 17 == 0 ? 0 : 1);
        s.MessageId = QStringLiteral("M%1").arg(900000 + i);
        SendLog.append(s);
    }
    Subscribers = {{17, QStringLiteral("Anna"), QStringLiteral("Muster"), QStringLiteral("0171 1234567"), QStringLiteral("Frau")},
                   {18, QStringLiteral("J\u00fcrgen"), QStringLiteral("Wei\u00df"), QStringLiteral("+49 160 7654321"), QStringLiteral("Herr")},
                   {19, QStringLiteral("Chris"), QStringLiteral("Beispiel"), QStringLiteral("0041 79 1234567"), QString()}};
    // Someone who left the name fields empty: listed as "Unbenannt".
    Subscribers.append({20, QString(), QString(), QStringLiteral("0176 5550199"), QStringLiteral("Frau")});
}

void FakeAccount::Install(FakeGateway& gw)
{
    gw.SetHandler(QStringLiteral("*"), [this](const FakeRequest& req) { return handle(req); });
}

QString FakeAccount::userDataXml(bool withDate) const
{
    auto v = [this](const char* k) { return el(QString::fromLatin1(k), UserData.value(QString::fromLatin1(k))); };
    QString x;
    for (const char* k : {"Title", "Company", "Prename", "Surname", "Street", "ZipCode", "City", "Country", "Phone",
                          "Fax", "Mobile", "Email", "MethodOfPayment"})
        x += v(k);
    x += QStringLiteral("<BankData>") + v("CreditInstitution") + v("AccountNumber") + v("BankCode") +
         v("AccountHolder") + QStringLiteral("</BankData>");
    x += QStringLiteral("<CreditCardData>") + v("Type") + v("Number") + v("CheckDigit") + v("ValidTo") +
         v("CardHolder") + QStringLiteral("</CreditCardData>");
    if (withDate)
        x += el(QStringLiteral("Date"), moment(QDateTime::currentDateTime()));
    return x;
}

FakeReply FakeAccount::handle(const FakeRequest& req)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const QString path = QString::fromStdString(req.path);
    const QString news = el(QStringLiteral("NewsIndex"), NewsId);
    auto loginOk = [&] { return req.Field(QStringLiteral("username")) == Username && req.Field(QStringLiteral("password")) == Password; };
    auto root = [](const QString& path) {
        if (path == QLatin1String("/sms/http2sms.jsp"))
            return QStringLiteral("smsreport");
        QString r = path.section(QLatin1Char('/'), -1);
        r.chop(3);   // ".do"
        return r;
    }(path);
    if (path == QLatin1String("/smscommand/Version.do")) {
        return FakeReply::Success(root, QStringLiteral("<VersionInfo>") + el(QStringLiteral("Major"), VersionMajor) +
                                            el(QStringLiteral("Minor"), VersionMinor) +
                                            el(QStringLiteral("Release"), VersionRelease) + QStringLiteral("</VersionInfo>"));
    }
    if (path == QLatin1String("/smscommand/News.do")) {
        if (req.Field(QStringLiteral("id")).toInt() != NewsId)
            return FakeReply::Rejection(root, QStringLiteral("040: news not found"));
        return FakeReply::Success(root, el(QStringLiteral("Id"), NewsId) + el(QStringLiteral("Headline"), NewsHeadline) +
                                            el(QStringLiteral("Content"), NewsContent) +
                                            el(QStringLiteral("ShowUntil"),
                                               QDate::currentDate().addDays(14).toString(QStringLiteral("yyyyMMdd"))));
    }
    const bool known = path == QLatin1String("/sms/http2sms.jsp") || path == QLatin1String("/smscommand/UserData.do") ||
                       path == QLatin1String("/smscommand/UserDataDetail.do") ||
                       path == QLatin1String("/smscommand/Protocol.do") || path == QLatin1String("/smscommand/Relvine.do");
    if (!known)
        return FakeReply::Status(404);
    if (!loginOk())
        return FakeReply::Rejection(root, QStringLiteral("010: username and/or password is invalid"));

    if (path == QLatin1String("/smscommand/UserData.do"))
        return userDataCommand(req, root, news);
    if (path == QLatin1String("/smscommand/UserDataDetail.do")) {
        return FakeReply::Success(root, news + el(QStringLiteral("PrepaidContingent"), Contingent) +
                                            el(QStringLiteral("AccountName"), Username) +
                                            el(QStringLiteral("AccountType"), 1) + el(QStringLiteral("CountTodo"), 0) +
                                            el(QStringLiteral("CountProtocol"), SendLog.size()) +
                                            el(QStringLiteral("Date"), moment(QDateTime::currentDateTime())));
    }
    if (path == QLatin1String("/smscommand/Protocol.do")) {
        const int pos = qMax(0, req.Field(QStringLiteral("pos")).toInt());
        const int limit = req.HasField(QStringLiteral("limit")) ? req.Field(QStringLiteral("limit")).toInt() : PageSize;
        const int count = int(SendLog.size());
        const int shown = qMax(0, qMin(limit > 0 ? limit : count, count - pos));
        QString list;
        for (int i = pos; i < pos + shown; ++i) {
            const Sms& s = SendLog[i];
            list += QStringLiteral("<Sms>") + el(QStringLiteral("DispatchTime"), moment(s.DispatchTime)) +
                    el(QStringLiteral("Recipient"), s.Recipient) + el(QStringLiteral("Content"), s.Content) +
                    el(QStringLiteral("Sender"), s.Sender) + el(QStringLiteral("Type"), s.Type) +
                    el(QStringLiteral("MsgParts"), s.MsgParts) + el(QStringLiteral("IP"), QStringLiteral("127.0.0.1")) +
                    el(QStringLiteral("OpNet"), QStringLiteral("D1")) + el(QStringLiteral("OpCountry"), QStringLiteral("DE")) +
                    el(QStringLiteral("UserRequestId"), i + 1) + el(QStringLiteral("StatusId"), s.StatusId) +
                    el(QStringLiteral("ReferenceTime"), moment(s.DispatchTime.addSecs(5))) +
                    el(QStringLiteral("MessageId"), s.MessageId) + QStringLiteral("</Sms>");
        }
        return FakeReply::Success(root, news + el(QStringLiteral("Count"), count) +
                                            el(QStringLiteral("Follow-Up"), pos + shown < count ? 1 : 0) +
                                            el(QStringLiteral("Position"), pos) + el(QStringLiteral("DisplayCount"), shown) +
                                            QStringLiteral("<SmsList>") + list + QStringLiteral("</SmsList>"));
    }
    if (path == QLatin1String("/smscommand/Relvine.do")) {
        if (req.Field(QStringLiteral("action")) == QLatin1String("delete")) {
            const int id = req.Field(QStringLiteral("id")).toInt();
            for (qsizetype i = 0; i < Subscribers.size(); ++i)
                if (Subscribers[i].Id == id) {
                    Subscribers.removeAt(i);
                    return FakeReply::Success(root, news);
                }
            return FakeReply::Rejection(root, QStringLiteral("050: contact not found"));
        }
        QString list;
        for (const Subscriber& s : Subscribers)
            list += QStringLiteral("<Contact>") + el(QStringLiteral("Prename"), s.Prename) +
                    el(QStringLiteral("Surname"), s.Surname) + el(QStringLiteral("Mobile"), s.Mobile) +
                    el(QStringLiteral("Title"), s.Title) + el(QStringLiteral("Id"), s.Id) + QStringLiteral("</Contact>");
        return FakeReply::Success(root, news + QStringLiteral("<ContactList>") + list + QStringLiteral("</ContactList>"));
    }
    // Sending: every plausible number goes into the send log; the others come back as warnings.
    const QStringList to = req.Field(QStringLiteral("to")).split(QLatin1Char(','), Qt::SkipEmptyParts);
    const QString content = req.Field(QStringLiteral("content"));
    const QString sender = req.Field(QStringLiteral("from"));
    const QString type = req.Field(QStringLiteral("type")) == QLatin1String("flash") ? QStringLiteral("Fs") : QStringLiteral("Tx");
    if (to.isEmpty() || content.isEmpty())
        return FakeReply::Xml(QStringLiteral("<smsreport><result>ERROR</result><Error>020: missing recipient or content</Error></smsreport>"));
    const QDateTime now = QDateTime::currentDateTime();
    QDateTime deliver = now;
    if (req.HasField(QStringLiteral("time")))
        deliver = QDateTime::fromString(req.Field(QStringLiteral("time")), QStringLiteral("yyyyMMddHHmmss"));
    if (!deliver.isValid())
        deliver = now;
    const int parts = content.size() <= 160 ? 1 : int((content.size() + 152) / 153);
    static const QRegularExpression plausible(QStringLiteral("^\\+?[0-9]{6,20}$"));
    QString recipients, warnings;
    int sent = 0;
    for (const QString& number : to) {
        if (!plausible.match(number).hasMatch()) {
            warnings += el(QStringLiteral("warning"), QStringLiteral("041: invalid recipient ") + number);
            continue;
        }
        Sms s;
        s.DispatchTime = deliver;
        s.Recipient = number.left(25);
        s.Content = content;
        s.Sender = sender;
        s.Type = type;
        s.MsgParts = parts;
        s.MessageId = QStringLiteral("M%1").arg(900000 + SendLog.size());
        SendLog.append(s);
        recipients += el(QStringLiteral("recipient"), number);
        ++sent;
    }
    if (sent == 0)
        return FakeReply::Xml(QStringLiteral("<smsreport><result>ERROR</result><Error>021: no valid recipient</Error>"
                                             "<warnings>") + warnings + QStringLiteral("</warnings></smsreport>"));
    Contingent = qMax(0, Contingent - parts * sent);
    const QString fmt = QStringLiteral("dd.MM.yyyy HH:mm:ss");
    return FakeReply::Xml(QStringLiteral("<smsreport><result>SUCCESS</result>") + news + el(QStringLiteral("date"), now.toString(fmt)) +
                          el(QStringLiteral("deliverDate"), deliver.toString(fmt)) + el(QStringLiteral("msgParts"), parts) +
                          QStringLiteral("<recipients>") + recipients + QStringLiteral("</recipients><warnings>") + warnings +
                          QStringLiteral("</warnings></smsreport>"));
}

// UserData: the plain read (the account number masked), the read for editing ("asterisk=0",
// in full and without a date) and the update. An update without an e-mail address or with a
// new password shorter than 5 characters is refused and changes nothing.
FakeReply FakeAccount::userDataCommand(const FakeRequest& req, const QString& root, const QString& news)
{
    if (req.Field(QStringLiteral("action")) != QLatin1String("update")) {
        const bool full = req.Field(QStringLiteral("asterisk")) == QLatin1String("0");
        QString xml = userDataXml(!req.HasField(QStringLiteral("asterisk")));
        if (!full) {
            const QString number = UserData.value(QStringLiteral("AccountNumber"));
            const QString masked = QString(qMax<qsizetype>(0, number.size() - 3), QLatin1Char('*')) + number.right(3);
            xml.replace(el(QStringLiteral("AccountNumber"), number), el(QStringLiteral("AccountNumber"), masked));
        }
        return FakeReply::Success(root, news + xml);
    }
    if (req.Field(QStringLiteral("email")).isEmpty())
        return FakeReply::Rejection(root, QStringLiteral("032: email is missing"));
    if (req.HasField(QStringLiteral("passwordnew")) && req.Field(QStringLiteral("passwordnew")).size() < 5)
        return FakeReply::Rejection(root, QStringLiteral("031: new password is too short"));
    const std::pair<const char*, const char*> fields[] = {
        {"street", "Street"}, {"zipcode", "ZipCode"}, {"city", "City"}, {"country", "Country"},
        {"email", "Email"}, {"mobile", "Mobile"}, {"phone", "Phone"}, {"fax", "Fax"},
        {"creditinstitution", "CreditInstitution"}, {"accountnumber", "AccountNumber"},
        {"bankcode", "BankCode"}, {"accountholder", "AccountHolder"}};
    for (const auto& [field, element] : fields)
        UserData.insert(QString::fromLatin1(element), req.Field(QString::fromLatin1(field)));
    // 0 direct debit, 1 PayPal; the reply names the method as the client compares it.
    UserData.insert(QStringLiteral("MethodOfPayment"), req.Field(QStringLiteral("methodofpayment")) == QLatin1String("1")
                                                          ? QStringLiteral("PayPal")
                                                          : QStringLiteral("Lastschrift"));
    if (req.HasField(QStringLiteral("passwordnew")))
        Password = req.Field(QStringLiteral("passwordnew"));
    return FakeReply::Success(root, news);
}
