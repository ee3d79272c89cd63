@echo off
rem Runs the three edits on the example MeInit in the "examples" folder, showing each edit's
rem detailed message if it fails. Armwright looks for names without a drive letter in its own
rem folder, so this works from any current folder. To edit your own MeInit, copy the line below
rem and put your own names in it (see README.txt). /restore first puts the MeInit back as it was
rem before any run of Armwright, so that running this twice gives the same MeInit.
"%~dp0Armwright.exe" "examples\MeInit.xml" /restore /verbose /allow "examples\Filename1.xml" /addpredif "examples\Filename2.xml" /weapons "examples\Filename3.xml"
