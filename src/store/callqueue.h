#pragma once

#include <deque>
#include <functional>
#include <memory>

// Calls that run one after another, in the order given. Each call has its turn, which it ends
// by answering: the turn ends first, and then the answer is given, so that an answer may open a
// dialog that makes further calls (they wait behind those already queued, never for the call
// that answered). A call that answers at once lets the next one run from there; one that waits
// (for the keyring) lets it run when it answers.
class CallQueue
{
public:
    class Turn
    {
    public:
        // Ends the turn, then answers: `answer(args...)`.
        template <typename Answer, typename... Args>
        void answer(const Answer &answer, Args &&...args) const
        {
            end();
            answer(std::forward<Args>(args)...);
        }

    private:
        friend class CallQueue;
        struct State;
        explicit Turn(std::shared_ptr<State> state)
            : m_state(std::move(state))
        {
        }
        void end() const;

        std::shared_ptr<State> m_state;
    };
    using Call = std::function<void(const Turn &turn)>;

    CallQueue();
    ~CallQueue();
    CallQueue(const CallQueue &) = delete;
    CallQueue &operator=(const CallQueue &) = delete;

    void enqueue(Call call);

private:
    struct Queue;
    // Shared with the turns, which may outlive the queue: a turn ended after it is gone ends
    // nothing.
    std::shared_ptr<Queue> m_queue;
};
