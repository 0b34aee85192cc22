#pragma once

#include <utility>

namespace qb {

// A flag that is set while anybody holds it. Each holder clears only its own
// hold, so a nested user that finishes first cannot clear it for the outer one.
class CountedFlag {
public:
    class Hold {
    public:
        Hold() = default;
        explicit Hold(CountedFlag& flag) : flag_(&flag) { ++flag_->holds_; }
        Hold(Hold&& other) noexcept : flag_(std::exchange(other.flag_, nullptr)) {}
        Hold& operator=(Hold&& other) noexcept
        {
            if (this != &other) {
                release();
                flag_ = std::exchange(other.flag_, nullptr);
            }
            return *this;
        }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        ~Hold() { release(); }

        // Lets go before the end of the scope.
        void release()
        {
            if (flag_)
                --std::exchange(flag_, nullptr)->holds_;
        }

    private:
        CountedFlag* flag_ = nullptr;
    };

    [[nodiscard]] Hold hold() { return Hold(*this); }
    bool isSet() const { return holds_ > 0; }

private:
    int holds_ = 0;
};

}  // namespace qb
