#include "utility/run_detached.h"

#include <chrono>
#include <future>
#include <list>
#include <mutex>

namespace utility {
namespace {

struct DetachedList {
    std::mutex lock;
    std::list<std::future<void>> futures;
};

DetachedList& detachedList()
{
    static auto* list = new DetachedList();  // see runDetached: never destroyed
    return *list;
}

void dropFinished(std::list<std::future<void>>& futures)
{
    for (auto it = futures.begin(); it != futures.end();) {
        if (it->wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
            it = futures.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace

void runDetached(std::function<void()> work)
{
    DetachedList& list = detachedList();
    std::lock_guard<std::mutex> guard(list.lock);
    dropFinished(list.futures);
    list.futures.push_back(std::async(std::launch::async, [work = std::move(work)] {
        if (work) {
            work();
        }
    }));
}

size_t detachedCount()
{
    DetachedList& list = detachedList();
    std::lock_guard<std::mutex> guard(list.lock);
    return list.futures.size();
}

}  // namespace utility
