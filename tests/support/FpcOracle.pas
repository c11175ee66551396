{ Peer for the form-file tests and benchmark: Free Pascal's own converters, run as a black box.
    fpcoracle t2b|b2t|r2t <in> <out>      convert one file
    fpcoracle time-t2b <in> <iterations>  print seconds per text-to-binary conversion
  Exit code 2 and the message on stderr when the input is refused. }
program FpcOracle;

{$mode objfpc}{$H+}

uses
  Classes, SysUtils, DateUtils;

procedure Convert(const Mode, InName, OutName: string);
var
  Input, Output: TFileStream;
begin
  Input := TFileStream.Create(InName, fmOpenRead or fmShareDenyNone);
  try
    Output := TFileStream.Create(OutName, fmCreate);
    try
      if Mode = 't2b' then
        ObjectTextToBinary(Input, Output)
      else if Mode = 'b2t' then
        ObjectBinaryToText(Input, Output)
      else if Mode = 'r2t' then
        ObjectResourceToText(Input, Output)
      else
        raise Exception.Create('unknown mode ' + Mode);
    finally
      Output.Free;
    end;
  finally
    Input.Free;
  end;
end;

procedure TimeTextToBinary(const InName: string; Iterations: Integer);
var
  Source, Target: TMemoryStream;
  Started: TDateTime;
  I: Integer;
begin
  Source := TMemoryStream.Create;
  Target := TMemoryStream.Create;
  try
    Source.LoadFromFile(InName);
    Started := Now;
    for I := 1 to Iterations do
    begin
      Source.Position := 0;
      Target.Clear;
      ObjectTextToBinary(Source, Target);
    end;
    WriteLn(FloatToStr(MilliSecondsBetween(Now, Started) / 1000.0 / Iterations));
  finally
    Target.Free;
    Source.Free;
  end;
end;

begin
  try
    if ParamStr(1) = 'time-t2b' then
      TimeTextToBinary(ParamStr(2), StrToInt(ParamStr(3)))
    else
      Convert(ParamStr(1), ParamStr(2), ParamStr(3));
  except
    on E: Exception do
    begin
      WriteLn(StdErr, E.ClassName, ': ', E.Message);
      Halt(2);
    end;
  end;
end.
