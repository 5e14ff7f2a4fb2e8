#pragma once
// Marks what libklvplatform.so exports: the classes and functions the engine, the program,
// plug-ins, tools and tests call. The library is built with hidden visibility, so anything
// unmarked (store connection helpers, sound server glue, parsing details) stays inside it.
// A marked class also exports its vtable and typeinfo, which lets other libraries derive from
// it (window systems, test back ends) and catch or compare its type.

#define KLV_PLATFORM_API __attribute__((visibility("default")))
