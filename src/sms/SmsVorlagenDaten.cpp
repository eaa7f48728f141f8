#include "sms/SmsVorlagenDaten.h"
#include "foundation/DatenModul.h"
#include <QSqlQuery>

namespace TSmsVorlagenDaten {

QVector<TSmsVorlagenEintrag> VorlagenListe()
{
    QSqlQuery q = DatenModul->Run(QStringLiteral("SELECT id,name FROM smsvorlagen ORDER BY name ASC"));
    QVector<TSmsVorlagenEintrag> list;
    while (q.next())
        list.append({q.value(0).toInt(), TDatenModul::TextValue(q.value(1))});
    return list;
}

bool LadeVorlage(int id, TSmsVorlage& vorlage)
{
    QSqlQuery q = DatenModul->Run(QStringLiteral("SELECT id,typ,content,name FROM smsvorlagen WHERE id=:id"),
                                  {{QStringLiteral("id"), id}});
    if (!q.next())
        return false;
    vorlage.id = q.value(0).toInt();
    vorlage.typ = q.value(1).toInt();
    vorlage.content = TDatenModul::TextValue(q.value(2));
    vorlage.name = TDatenModul::TextValue(q.value(3));
    return true;
}

void SpeichereVorlage(int& id, const QString& content, const QString& name)
{
    if (id < 0) {
        id = DatenModul->GetNewSmsVorlagenId();
        DatenModul->Run(QStringLiteral("INSERT INTO smsvorlagen (id) VALUES (:id)"), {{QStringLiteral("id"), id}});
    }
    DatenModul->Run(QStringLiteral("UPDATE smsvorlagen SET typ=:typId, content=:content, name=:name WHERE id=:id"),
                    {{QStringLiteral("typId"), 0},
                     {QStringLiteral("content"), TDatenModul::Text(content)},
                     {QStringLiteral("name"), TDatenModul::Text(name)},
                     {QStringLiteral("id"), id}});
}

void LoescheVorlage(int id)
{
    DatenModul->Run(QStringLiteral("DELETE FROM smsvorlagen WHERE id=:id"), {{QStringLiteral("id"), id}});
}

}
