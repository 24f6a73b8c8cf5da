' Reads the remaining battery time through the versioned ProgID: cscript //nologo battery.vbs
' What a system without an estimate (on mains power, or still estimating) gives: &HFFFFFFFF seconds / 60.
Const NoEstimate = 71582788
Dim battery, minutes
Set battery = CreateObject("Voltwise.BatteryRemainingTime.1")
minutes = battery.GetRemainingTime()
If minutes = NoEstimate Then
    WScript.Echo "Battery: " & minutes & " minutes (no estimate: on mains power or still estimating)"
Else
    WScript.Echo "Battery: " & minutes & " minutes remaining"
End If
