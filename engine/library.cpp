// The shared library is the engine's archive linked whole; its exports are the KLV_API
// functions of klv3.h.
