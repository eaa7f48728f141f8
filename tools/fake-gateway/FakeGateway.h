#pragma once
// The fake gateway on 127.0.0.1 (built out by the gateway work).
