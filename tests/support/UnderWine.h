#pragma once

// Whether this Windows program runs under Wine, whose schannel cannot take
// the server side of the tests' TLS handshakes. Always false elsewhere.
bool runningUnderWine();
