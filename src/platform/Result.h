#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace dustrel {

// A failure as a value: what went wrong, the system's reason and the path concerned.
struct Error
{
    int code = 0; // errno on POSIX, GetLastError() on Windows; 0 when the failure is not a system error
    std::string message;
    std::string path;

    std::string describe() const
    {
        if (path.empty())
            return message;
        return path + ": " + message;
    }
};

Error systemError(int code, std::string path);

// Whether the failure came from the process or the system running out of open descriptors: a passing
// shortage, not a fact about the file, so what failed was never looked at.
bool outOfDescriptors(const Error& error);

// Not to be dropped unread: a failure passed over silently is how a cleaner goes wrong.
template <typename T> class [[nodiscard]] Result
{
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Error error) : m_value(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(m_value); }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<T>(m_value); }
    const T& value() const& { return std::get<T>(m_value); }
    T&& value() && { return std::get<T>(std::move(m_value)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    const Error& error() const { return std::get<Error>(m_value); }

private:
    std::variant<T, Error> m_value;
};

template <> class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    Result(Error error) : m_error(std::move(error)) {}

    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return *m_error; }

private:
    std::optional<Error> m_error;
};

} // namespace dustrel
