#ifndef EXTRACTION_CURRENTOBJECTS_H
#define EXTRACTION_CURRENTOBJECTS_H

// The stage between a reader and its handler that lets through only the data of today, whatever
// the file's format: an object deleted (JOSM's action="delete", or visible="false") is left
// out, and of a history file (an id seen again at once with another version, or a file whose
// header says it holds history) only the last version of each object goes on, and none whose
// last version is deleted. The versions of one object are adjacent in a sorted file, so the
// stage holds back one object until the next one shows it is the last version of its id;
// memory stays that of one object. A history file out of order cannot be read so: the stage
// stops at the first object out of order. Each reader runs its handler behind one stage per
// file. Used in the thread that reads.
#include "extraction/OSMHandler.h"

#include <QString>

class CurrentObjects : public OSMHandler
{
public:
    // What a file held, as far as it was read.
    enum class Content { Data, History, ChangesetsOnly };

    // `next` must outlive the stage.
    explicit CurrentObjects(OSMHandler& next);

    bool selects() const override;
    // As the handler the stage hands on to wants them.
    // As the handler the stage hands on to wants them.
    bool wantsMetadata(const OSMEntity& entity) const override { return next.wantsMetadata(entity); }

    // The reader's entity, taken (the reader gets an emptied one back to refill).
    void take(OSMEntity& entity);
    // The file's header says it holds history (before the first entity).
    void historyFile() { history = true; }
    // A changeset element of the file.
    void changeset() { ++changesets; }
    // The file is an osmChange document: nothing of it goes on.
    void refuseChange();
    // The file has ended: hands on the object held back.
    void finish();

    // True once the file is refused; the reader reads no further.
    bool refused() const { return refusal != Refusal::None; }
    // Why, in a few words ("it is an osmChange file (a change), not OSM data").
    QString reason() const;
    // The same as a sentence for the log.
    QString failureText() const;
    Content content() const;
    // The line of the log that says what a file held other than plain data; empty for Data.
    static QString note(Content content);

protected:
    bool wantsNode(qint64 id) const override;
    bool wantsWay(qint64 id) const override;
    bool wantsRelation(qint64 id) const override;

private:
    enum class Refusal { None, Change, Unsorted };

    // Whether `later` may follow `earlier` in a sorted file (by kind, then id).
    static bool inOrder(const OSMEntity& earlier, const OSMEntity& later);
    void release();
    void refuse(Refusal why);

    OSMHandler& next;
    OSMEntity held;
    bool holding = false;
    bool history = false;
    bool sorted = true;
    Refusal refusal = Refusal::None;
    long long changesets = 0;
    long long objects = 0;
};

#endif
