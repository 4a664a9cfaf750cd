// Titles of the program's message boxes.
#ifndef SELVANORE_JOIN_MESSAGES_H
#define SELVANORE_JOIN_MESSAGES_H

#define TITLE_ERROR "Vantorel - Error"
#define TITLE_WARNING "Vantorel - Advertencia"

#endif
