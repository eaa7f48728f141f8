#pragma once
#include <QString>
#include <QVector>

// One stored SMS template.
struct TSmsVorlage {
    int id = 0;
    int typ = 0;
    QString content;   // line breaks as CR LF
    QString name;
};

// A template's id and name, as the lists show it.
struct TSmsVorlagenEintrag {
    int id = 0;
    QString name;
};

// Every statement on the table smsvorlagen, run on the one data module. Failures are DbError.
namespace TSmsVorlagenDaten {

// All templates by name, as the database orders them.
QVector<TSmsVorlagenEintrag> VorlagenListe();
// One template; false when there is no such row.
bool LadeVorlage(int id, TSmsVorlage& vorlage);
// Writes text and name (type 0); a new row with a new id when id is below 0, and id then
// holds it. Runs in the open transaction; the caller commits.
void SpeichereVorlage(int& id, const QString& content, const QString& name);
// Deletes the template. Runs in the open transaction; the caller commits.
void LoescheVorlage(int id);

}
