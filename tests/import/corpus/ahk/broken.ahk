::ok::fine
::open::
(
never closed
