#pragma once
#include <QString>
#include <QVector>
#include <QtGlobal>

// The folder tree of an Outlook data file as far as choosing the contacts folder needs it.
// Shared by the program and the data file reader (tools/pst-reader); no libpst here.

struct OutlookOrdner {
    quint32 id = 0;          // the folder's node id (the last four bytes of its entry id)
    int eltern = -1;         // index of the parent in the list; -1 for the top of personal folders' children
    int tiefe = 1;           // 1: directly below the top of personal folders
    QString name;            // PR_DISPLAY_NAME
    QString klasse;          // PR_CONTAINER_CLASS ("IPF.Contact", "IPF.Note", ...)
    bool versteckt = false;  // PR_ATTR_HIDDEN
    bool suchordner = false; // a search folder: its items are links to items elsewhere
    int kontakte = 0;        // contact items (IPM.Contact…) it holds; distribution lists are none
};

// Outlook's own folders of class IPF.Contact that no user means by "my contacts": the
// folders a current Outlook fills on its own, the suggested contacts, the recipient cache.
bool OutlookSonderordner(const OutlookOrdner& ordner);

// Whether a user may mean this folder: neither it nor a folder above it is hidden, a search
// folder or one of Outlook's own special folders.
bool OutlookOrdnerWaehlbar(const QVector<OutlookOrdner>& baum, int index);

bool OutlookKlasseKontakte(const QString& klasse);   // "IPF.Contact" (any case)
bool OutlookKlasseNotiz(const QString& klasse);      // "IPF.Note" (any case)

// The contacts folder of the file: the folder the store's pointer names (PR_IPM_CONTACT_ENTRYID,
// 0 when the file has none) when it lies in the tree; otherwise, among the folders a user may
// mean, the shallowest IPF.Contact folder holding contact items, else the shallowest IPF.Note
// folder holding contact items, else the shallowest (empty) IPF.Contact folder. Ties go to the
// earlier folder in the list. -1 when there is none.
//
// The reader counts the contact items of IPF.Note folders only when no IPF.Contact folder a user
// may mean holds any: the choice is the same, since such folders count only then.
int OutlookKontakteOrdnerWaehlen(const QVector<OutlookOrdner>& baum, quint32 standardOrdner);
