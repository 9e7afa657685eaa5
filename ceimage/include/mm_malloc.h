/* The ARM-mode compiler has no x86 memory-alignment header, which the platform headers
   ask for; nothing of it is used. */
