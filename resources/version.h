#pragma once
#define KV_VERSION_NUMBERS 1, 0, 0, 0
#define KV_VERSION_TEXT "1.0.0.0"
