#pragma once
// Tasks: heap objects with one operation. Whoever runs a task, or owns a queued one, calls
// release() exactly once when done with it.

#include <type_traits>
#include <utility>

class Runable {
public:
    virtual void release() { delete this; }
    virtual ~Runable() = default;
    virtual void run() = 0;

protected:
    Runable() = default;
    Runable(const Runable&) = delete;
    Runable& operator=(const Runable&) = delete;
};

// Calls a member function without arguments (thread bodies such as DownloaderModel::_thread...).
template <typename T>
class MemberFuncRunable : public Runable {
public:
    using Function = void (T::*)();
    MemberFuncRunable(T* object, Function function) : m_object(object), m_function(function) {}
    void run() override { (m_object->*m_function)(); }

private:
    T* m_object;
    Function m_function;
};

// Calls a member function with one argument stored by value.
template <typename T, typename A>
class MemberFuncRunable1 : public Runable {
public:
    using Function = void (T::*)(A);
    MemberFuncRunable1(T* object, Function function, A argument)
        : m_object(object), m_function(function), m_argument(std::move(argument))
    {
    }
    void run() override { (m_object->*m_function)(m_argument); }

private:
    T* m_object;
    Function m_function;
    A m_argument;
};

// Calls a callable (a lambda with its captures, or a std::function).
template <typename F>
class FunctionRunable : public Runable {
public:
    explicit FunctionRunable(F function) : m_function(std::move(function)) {}
    void run() override { m_function(); }

private:
    F m_function;
};

template <typename F>
[[nodiscard]] Runable* makeTask(F&& function)
{
    return new FunctionRunable<std::decay_t<F>>(std::forward<F>(function));
}

template <typename T>
[[nodiscard]] Runable* makeTask(T* object, void (T::*function)())
{
    return new MemberFuncRunable<T>(object, function);
}

template <typename T, typename A>
[[nodiscard]] Runable* makeTask(T* object, void (T::*function)(A), A argument)
{
    return new MemberFuncRunable1<T, A>(object, function, std::move(argument));
}
