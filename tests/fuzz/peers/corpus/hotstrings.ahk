; Hand-written after the public documentation of hotstrings.
#SingleInstance Force
#Hotstring EndChars -()[]{}:;'"/\,.?!`n `t

::btw::by the way
:*:h@::hello@example.com  ; my address
:?:ign::ignition
:C:CA::California
:C1:ny::New York
:R:raw::{Enter} stays `n as typed
::esc::line one`nline two{Tab}tab{!}{Left}
::sig::
(
Best regards,
Ada
)
:X:run::Run notepad.exe
::cmd::
MsgBox hello
return
::toolongabbreviation::x
#Hotstring *
::imm::immediate by default
^j::Send, hi
