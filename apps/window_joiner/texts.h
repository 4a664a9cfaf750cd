// What Selvanore.exe says of its own, beside the dialog's texts (ui/), in
// the Windows program's Spanish: the box of a close asked for while a join
// runs.
#ifndef SELVANORE_APPS_WINDOW_JOINER_TEXTS_H
#define SELVANORE_APPS_WINDOW_JOINER_TEXTS_H

const char kCloseRefused[] =
    "Concatenación en progreso. Cancele o espere hasta que termine para salir de la aplicación.";

#endif
