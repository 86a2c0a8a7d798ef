// Keeps the prompt and the line being typed on the terminal's last line when
// the window thread has something to say while a line is read.
#pragma once

class PromptRedraw {
public:
    // Console thread, before the first line: when input and output are a
    // terminal, readline waits for the window thread's messages beside the
    // keys, shows them above the prompt and draws the prompt and line again.
    static void install();
    // readline(prompt), with the window thread's messages queued meanwhile.
    static char* readLine(const char* prompt);
};
