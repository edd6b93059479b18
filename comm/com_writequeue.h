// The serial port's queue of command blocks and what became of the last
// finishedKept of them. No lock of its own: the port guards it with its
// queue lock, under which it also changes the connection number, so that a
// block is either queued on its own connection or dropped.
#pragma once

#include "comm/com_serialport_types.h"

#include <QByteArray>
#include <QList>

#include <deque>
#include <utility>

class COM_WriteQueue
{
public:
    static constexpr int finishedKept = 64;

    struct Block
    {
        COM_WriteTicket ticket = COM_noWriteTicket;
        QByteArray bytes;
    };

    // Appends a block and returns its new ticket.
    COM_WriteTicket append(const QByteArray& bytes);
    // Drops every block still waiting.
    void clear();
    // Takes the oldest waiting block out to be written; false when none waits.
    bool takeNext(Block* block);
    // Takes a block out if it has not been started yet; true if it was.
    bool withdraw(COM_WriteTicket ticket);
    // Records how the block taken last ended.
    void finish(COM_WriteTicket ticket, COM_WriteOutcome outcome);
    // The outcome of a ticket; older ones than the last finishedKept and
    // noTicket read as Dropped, and so does a waiting block once the line
    // is closed (the next open starts with an empty queue).
    COM_WriteOutcome outcome(COM_WriteTicket ticket, bool lineOpen) const;

private:
    QList<Block> waiting;
    COM_WriteTicket lastTicket = COM_noWriteTicket;
    COM_WriteTicket writingTicket = COM_noWriteTicket;
    // Newest last, at most finishedKept entries.
    std::deque<std::pair<COM_WriteTicket, COM_WriteOutcome>> finished;
};
