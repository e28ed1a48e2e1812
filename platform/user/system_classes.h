// The window classes every desktop has from the start: the dialog class "#32770" and the
// controls ("BUTTON", "EDIT", "STATIC"), plus the message box's own.
#pragma once

namespace ce::user {

class ClassRegistry;

// Called once by each new desktop.
void RegisterSystemClasses(ClassRegistry& classes);

}  // namespace ce::user
