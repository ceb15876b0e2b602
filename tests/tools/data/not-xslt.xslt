<?xml version="1.0" encoding="UTF-8"?>
<order><item qty="1"/></order>
