#include "store/callqueue.h"

struct CallQueue::Queue
{
    std::deque<Call> calls;
    bool running = false;

    void runNext(const std::shared_ptr<Queue> &self);
};

struct CallQueue::Turn::State
{
    std::weak_ptr<Queue> queue;
    bool ended = false;
};

void CallQueue::Queue::runNext(const std::shared_ptr<Queue> &self)
{
    if (running || calls.empty())
        return;
    running = true;
    Call call = std::move(calls.front());
    calls.pop_front();
    auto state = std::make_shared<Turn::State>();
    state->queue = self;
    call(Turn(std::move(state)));
}

void CallQueue::Turn::end() const
{
    if (m_state->ended)
        return;
    m_state->ended = true;
    if (const std::shared_ptr<Queue> queue = m_state->queue.lock()) {
        queue->running = false;
        queue->runNext(queue);
    }
}

CallQueue::CallQueue()
    : m_queue(std::make_shared<Queue>())
{
}

CallQueue::~CallQueue() = default;

void CallQueue::enqueue(Call call)
{
    m_queue->calls.push_back(std::move(call));
    m_queue->runNext(m_queue);
}
