#include "comm/com_writequeue.h"

#include <algorithm>

COM_WriteTicket COM_WriteQueue::append(const QByteArray& bytes)
{
    waiting.append({++lastTicket, bytes});
    return lastTicket;
}

void COM_WriteQueue::clear()
{
    waiting.clear();
}

bool COM_WriteQueue::takeNext(Block* block)
{
    if (waiting.isEmpty())
        return false;
    *block = waiting.takeFirst();
    writingTicket = block->ticket;
    return true;
}

bool COM_WriteQueue::withdraw(COM_WriteTicket ticket)
{
    for (int i = 0; i < waiting.size(); ++i) {
        if (waiting.at(i).ticket == ticket) {
            waiting.removeAt(i);
            return true;
        }
    }
    return false;
}

void COM_WriteQueue::finish(COM_WriteTicket ticket, COM_WriteOutcome outcome)
{
    writingTicket = COM_noWriteTicket;
    finished.emplace_back(ticket, outcome);
    while (finished.size() > size_t(finishedKept))
        finished.pop_front();
}

COM_WriteOutcome COM_WriteQueue::outcome(COM_WriteTicket ticket, bool lineOpen) const
{
    if (ticket == COM_noWriteTicket)
        return COM_WriteOutcome::Dropped;
    for (const auto& done : finished) {
        if (done.first == ticket)
            return done.second;
    }
    const bool queued = ticket == writingTicket
                        || std::any_of(waiting.cbegin(), waiting.cend(),
                                       [ticket](const Block& b) { return b.ticket == ticket; });
    // A block left in the queue of a closed port never goes out: the next
    // open starts with an empty queue.
    return queued && lineOpen ? COM_WriteOutcome::Queued : COM_WriteOutcome::Dropped;
}
