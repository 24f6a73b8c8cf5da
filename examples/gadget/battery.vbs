' Reads the remaining battery time through the versioned ProgID: cscript //nologo battery.vbs
Dim battery
Set battery = CreateObject("Voltwise.BatteryRemainingTime.1")
WScript.Echo "Battery: " & battery.GetRemainingTime() & " minutes remaining"
