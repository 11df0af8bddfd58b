// Points a client at a test server with its user, passive, and a time-out short enough that a
// failing test ends soon.
#pragma once

#include "fixtures/ftp/ftp_test_server.h"
#include "ftp/simple_ftp.h"

namespace sonthra::ftp {

inline void aim(TSimpleFTP& ftp, const sonthra::testing::FtpTestServer& server) {
    ftp.HostName = "127.0.0.1";
    ftp.Port = server.port();
    ftp.UserName = sonthra::testing::FtpTestServer::kUser;
    ftp.Password = sonthra::testing::FtpTestServer::kPassword;
    ftp.Passive = true;
    ftp.SetConnectTimeout(10000);
}

}  // namespace sonthra::ftp
