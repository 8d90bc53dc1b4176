// SPDX-License-Identifier: MIT
// Another program holding a file locked, the way any POSIX program would: a
// plain fcntl write lock on the whole file, held until the object goes.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <string>

namespace cep::testing_support {

class LockHolder {
public:
    explicit LockHolder(const std::string& file) {
        int ready[2];
        if (::pipe(ready) != 0) return;
        child_ = ::fork();
        if (child_ == 0) {
            struct flock lock {};
            lock.l_type = F_WRLCK;
            lock.l_whence = SEEK_SET;
            const bool locked = ::fcntl(::open(file.c_str(), O_RDWR), F_SETLK, &lock) == 0;
            (void)!::write(ready[1], locked ? "L" : "-", 1);
            ::sleep(10);
            ::_exit(0);
        }
        char got = 0;
        holding_ = ::read(ready[0], &got, 1) == 1 && got == 'L';
        ::close(ready[0]);
        ::close(ready[1]);
    }
    ~LockHolder() {
        if (child_ <= 0) return;
        ::kill(child_, SIGKILL);
        ::waitpid(child_, nullptr, 0);
    }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;
    bool holding() const { return holding_; }

private:
    pid_t child_ = -1;
    bool holding_ = false;
};

}  // namespace cep::testing_support
